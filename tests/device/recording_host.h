#pragma once
// A transfer host that records what the user would have seen.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "device/transfer_host.h"

namespace norvane::device::testing {

class TRecordingHost : public ITransferHost {
  public:
    explicit TRecordingHost(std::string path = "*.nvf") : Path(std::move(path)) {}

    void AppendLogLine(const std::string& text) override { Log.push_back(text); }
    void SetTransferState(bool on, int maximum) override {
        TransferStates.emplace_back(on, maximum);
    }
    void SetProgress(int position) override {
        Progress.push_back(position);
        if (OnProgress) {
            OnProgress(position);
        }
    }
    void ShowErrorBox(const std::string& text, const std::string& cause) override {
        ErrorBoxes.push_back(text);
        ErrorCauses.push_back(cause);
    }
    void WarningBeep() override { ++Beeps; }
    void CancelDialogClose() override { ++CloseCancels; }
    std::string FileDisplayPath() const override { return Path; }

    std::string Path;
    std::vector<std::string> Log;
    std::vector<std::pair<bool, int>> TransferStates;
    std::vector<int> Progress;
    std::vector<std::string> ErrorBoxes;
    std::vector<std::string> ErrorCauses;
    int Beeps = 0;
    int CloseCancels = 0;
    std::function<void(int)> OnProgress;
};

}  // namespace norvane::device::testing
