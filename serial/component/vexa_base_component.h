#pragma once
// What every serial-layer component shares: its version and whether it is being loaded.

#include <string>

namespace norvane::serial {

class TVexaBaseComponent {
  public:
    virtual ~TVexaBaseComponent() = default;

    // Always "v3.03"; there is nothing to set.
    std::string Version() const { return "v3.03"; }
    void SetVersion(const std::string& /*ignored*/) {}

    // While loading, the owner is applying stored values: setters only store, results of
    // the dispatcher are returned instead of raised, and Open := True waits for AfterLoad.
    bool IsLoading() const { return Loading_; }
    void BeginLoad() { Loading_ = true; }
    // Ends loading and runs AfterLoad.
    void EndLoad() {
        Loading_ = false;
        AfterLoad();
    }

  protected:
    virtual void AfterLoad() {}

  private:
    bool Loading_ = false;
};

}  // namespace norvane::serial
