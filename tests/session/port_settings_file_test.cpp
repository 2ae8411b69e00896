#include "session/port_settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "session/settings_ini.h"
#include "session/transfer_recording.h"
#include "tests/support/temp_dir.h"

namespace norvane::session {
namespace {

using norvane::test::ReadFile;
using norvane::test::TTempDir;
using norvane::test::WriteFile;

std::string SaveFailure(const std::string& path) {
    try {
        SavePortSettingIndexes(path, {});
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "saved";
}

TEST(PortSettingsFileTest, ANewFileHoldsTheFiveIndexesInListOrder) {
    TTempDir dir;
    SavePortSettingIndexes(dir / "Norvane.ini", {15, 5, 2, 0, 1});
    EXPECT_EQ(ReadFile(dir / "Norvane.ini"),
              "[ComPortSettings]\nComPort=15\nBaudRate=5\nParity=2\nDataBits=0\nStopBits=1\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Norvane.ini"}) << "no temporary left";
}

TEST(PortSettingsFileTest, EverythingElseInTheFileSurvivesASave) {
    TTempDir dir;
    const std::string path = dir / "Norvane.ini";
    WriteFile(path,
              "; written by hand\n[Other]\nComPort=9\n\n"
              "; our settings\n[ComPortSettings]\nStopBits=1\ncolour=blue\nComPort=4\n\n"
              "[PortDevices]\n3=/dev/ttyUSB1\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    // Confirming port 3 pins it to its device, but the user's own line for it stands.
    SavePortSettingIndexes(path, {1, 3, 0, 1, 0}, TPortDeviceEntry{3, "/dev/serial/by-id/usb-X"});

    const std::string saved = ReadFile(path);
    for (const char* kept :
         {"; written by hand\n", "[Other]\nComPort=9\n", "; our settings\n[ComPortSettings]\n",
          "colour=blue\n", "[PortDevices]\n3=/dev/ttyUSB1\n"}) {
        EXPECT_NE(saved.find(kept), std::string::npos) << kept << " lost from:\n" << saved;
    }
    const TPortSettingIndexes loaded = LoadPortSettingIndexes(path);
    EXPECT_EQ(loaded.ComPort, 1);
    EXPECT_EQ(loaded.StopBits, 0);
    EXPECT_EQ(loaded.DataBits, 1);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::owner_write |
                                                               std::filesystem::perms::group_read);
    EXPECT_EQ(LoadPortDeviceAssignments(path), (std::map<int, std::string>{{3, "/dev/ttyUSB1"}}));
}

TEST(PortSettingsFileTest, ASettingsFileReachedThroughALinkStaysALink) {
    TTempDir dir;
    WriteFile(dir / "shared.ini", "[Other]\nx=1\n");
    std::filesystem::create_symlink(dir / "shared.ini", dir / "Norvane.ini");
    SavePortSettingIndexes(dir / "Norvane.ini", {2, 3, 0, 1, 0});
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "Norvane.ini"));
    EXPECT_EQ(LoadPortSettingIndexes(dir / "shared.ini").ComPort, 2);
}

// Not even root follows another user's link in a shared folder such as /tmp: the settings
// would land in whatever file that user chose.
TEST(PortSettingsFileTest, ALinkAnotherUserPlantedInASharedFolderIsRefused) {
    if (!test::RunningAsRoot()) {
        GTEST_SKIP() << "planting a link of another user needs root (CI runs as root)";
    }
    TTempDir dir;
    const std::string shared = dir / "shared", link = dir / "shared/Norvane.ini";
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    WriteFile(dir / "victim.conf", "mine\n");
    std::filesystem::create_symlink(dir / "victim.conf", link);
    ASSERT_EQ(::lchown(link.c_str(), 54321, 54321), 0);
    EXPECT_EQ(SaveFailure(link), "Unable to write to " + link +
                                     ": not following the symbolic link " + link +
                                     ", which another user made in the shared folder " + shared);
    EXPECT_EQ(ReadFile(dir / "victim.conf"), "mine\n");
}

TEST(PortSettingsFileTest, AFileThatCannotBeWrittenIsReportedAndLeftAlone) {
    TTempDir dir;
    const std::string inMissingFolder = dir / "missing/Norvane.ini";
    EXPECT_EQ(SaveFailure(inMissingFolder), "Unable to write to " + inMissingFolder);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));

    // A folder where the file should be can be neither read nor replaced.
    std::filesystem::create_directory(dir / "Norvane.ini");
    EXPECT_EQ(SaveFailure(dir / "Norvane.ini"), "Unable to write to " + dir / "Norvane.ini");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Norvane.ini"));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Norvane.ini"}) << "no temporary left";

    // A file the user made read-only stays as it is, though the folder would allow a rename.
    if (test::PermissionsBind()) {
        WriteFile(dir / "mine.ini", "[ComPortSettings]\nComPort=4\n");
        std::filesystem::permissions(dir / "mine.ini", std::filesystem::perms::owner_read);
        EXPECT_EQ(SaveFailure(dir / "mine.ini"), "Unable to write to " + dir / "mine.ini");
        EXPECT_EQ(ReadFile(dir / "mine.ini"), "[ComPortSettings]\nComPort=4\n");
    }
}

// Read through the ini parser alone, a folder at the settings path asked for an allocation
// of 2^63 bytes and a pipe waited for a writer forever.
TEST(PortSettingsFileTest, WhatIsNoSettingsFileIsNeitherReadNorReplaced) {
    TTempDir dir;
    const std::string folder = dir / "folder.ini";
    std::filesystem::create_directory(folder);
    const std::string pipe = dir / "pipe.ini";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string huge = dir / "huge.ini";
    WriteFile(huge, "[ComPortSettings]\nComPort=3\n[Diagnostics]\nTrace=t.trc\n" +
                        std::string(kMaxSettingsFileSize, ';'));
    for (const std::string& path : {folder, pipe, huge}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(LoadPortSettingIndexes(path).ComPort, TPortSettingIndexes{}.ComPort);
        EXPECT_TRUE(LoadPortDeviceAssignments(path).empty());
        EXPECT_EQ(LoadRecordingRequest(path).TraceFile, "");
        EXPECT_EQ(SaveFailure(path), "Unable to write to " + path);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST(PortSettingsFileTest, AnInstalledProgramKeepsItsSettingsInTheUsersConfiguration) {
    TTempDir dir;
    EXPECT_EQ(SettingsPathFor(dir.Path(), "/x/cfg", "/home/u"), dir / "Norvane.ini");

    const std::filesystem::path unwritable = dir / "not-there";
    EXPECT_EQ(SettingsPathFor(unwritable, "/x/cfg", "/home/u"), "/x/cfg/Norvane/Norvane.ini");
    EXPECT_EQ(SettingsPathFor(unwritable, "", "/home/u"), "/home/u/.config/Norvane/Norvane.ini");

    if (test::PermissionsBind()) {
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        EXPECT_EQ(SettingsPathFor(dir.Path(), "", "/home/u"),
                  "/home/u/.config/Norvane/Norvane.ini");
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
}

// Run as root (as CI runs it), where /usr/bin is writable: a file left beside an installed
// program would belong to no package and outlive a purge.
TEST(PortSettingsFileTest, RootsSettingsStayOutOfSystemFolders) {
    for (const char* system : {"/usr/bin", "/usr/local/bin/", "/bin", "/usr/sbin/../bin"}) {
        EXPECT_EQ(SettingsPathFor(system, "", "/root"), "/root/.config/Norvane/Norvane.ini")
            << system;
    }
}

TEST(PortSettingsFileTest, OnlyPositivePortNumbersWithAPathAssignADevice) {
    TTempDir dir;
    WriteFile(dir / "Norvane.ini",
              "[PortDevices]\n1=/dev/ttyACM0\n 16 = /dev/serial/by-id/usb-x \nx=/dev/a\n0=/dev/b\n"
              "-2=/dev/c\n5=\n3x=/dev/d\n");
    EXPECT_EQ(LoadPortDeviceAssignments(dir / "Norvane.ini"),
              (std::map<int, std::string>{{1, "/dev/ttyACM0"}, {16, "/dev/serial/by-id/usb-x"}}));
    EXPECT_TRUE(LoadPortDeviceAssignments(dir / "absent.ini").empty());
}

}  // namespace
}  // namespace norvane::session
