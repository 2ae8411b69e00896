#pragma once
// A scratch directory per test for the trace and log dumps, and reading a dump back.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

namespace norvane::serial::testing {

class TDumpDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        Directory_ = std::filesystem::temp_directory_path() /
                     (std::string("norvane_trace_log_") + test->test_suite_name() + "_" +
                      test->name() + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(Directory_);
        std::filesystem::create_directories(Directory_);
    }
    void TearDown() override { std::filesystem::remove_all(Directory_); }

    std::string PathOf(std::string_view name) const { return (Directory_ / name).string(); }

    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static void WriteFile(const std::string& path, std::string_view text) {
        std::ofstream(path, std::ios::binary) << text;
    }

  private:
    std::filesystem::path Directory_;
};

inline std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace norvane::serial::testing
