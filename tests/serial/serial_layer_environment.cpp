// Opens the serial layer's string tables once for the whole test program, as main() does
// for Norvane itself.

#include <gtest/gtest.h>

#include <memory>

#include "serial/errors/serial_layer.h"

namespace {

class TSerialLayerEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { Scope_ = std::make_unique<norvane::serial::TSerialLayerScope>(); }
    void TearDown() override { Scope_.reset(); }

  private:
    std::unique_ptr<norvane::serial::TSerialLayerScope> Scope_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TSerialLayerEnvironment);

}  // namespace
