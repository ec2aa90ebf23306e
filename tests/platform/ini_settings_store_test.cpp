#include "platform/ini_settings_store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace lintor {
namespace {

class IniSettingsStoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "lintor-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        path = dir + "/Varn/Lintor.conf";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void write(const std::string& text) {
        std::filesystem::create_directories(dir + "/Varn");
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string read() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    ino_t inode() const {
        struct stat s {};
        return ::stat(path.c_str(), &s) == 0 ? s.st_ino : 0;
    }

    std::string dir;
    std::string path;
};

TEST_F(IniSettingsStoreTest, SectionsAndKeysMatchWhateverTheirCase) {
    write("; the BCU is on COM5\n[Settings]\ncomport = 5\nDEVICE = \"/dev/ttyUSB0\"\n[other]\nComPort=9\n");
    IniSettingsStore store(path);
    EXPECT_EQ(store.readInt("settings", "ComPort", 1), 5);
    EXPECT_EQ(store.readString("settings", "Device"), "/dev/ttyUSB0");
    EXPECT_EQ(store.readInt("other", "comPORT", 1), 9);
    EXPECT_EQ(store.readInt("missing", "ComPort", 1), 1);
    EXPECT_EQ(store.readString("settings", "Nothing"), std::nullopt);
}

TEST_F(IniSettingsStoreTest, FirstEntryWinsAndNonNumbersFallBack) {
    write("[settings]\nComPort=3\ncomport=4\nBad=3x\n[SETTINGS]\nComPort=8\n");
    IniSettingsStore store(path);
    EXPECT_EQ(store.readInt("settings", "ComPort", 1), 3);
    EXPECT_EQ(store.readInt("settings", "Bad", 1), 1);
}

TEST_F(IniSettingsStoreTest, ValueAlreadyThereLeavesTheFileAlone) {
    const std::string text = "# written by hand\r\n[Settings]\r\n  ComPort = 05\r\n";
    write(text);
    const ino_t before = inode();
    ::chmod(path.c_str(), 0444);
    IniSettingsStore store(path);
    EXPECT_TRUE(store.writeInt("settings", "ComPort", 5));
    EXPECT_EQ(read(), text);
    EXPECT_EQ(inode(), before);
}

TEST_F(IniSettingsStoreTest, ChangedValueReplacesOnlyItsLine) {
    write("; comment\n[first]\nA=1\n\n[Settings]\nDevice=/dev/ttyUSB0\nComPort = 2\n; trailing comment\n");
    IniSettingsStore store(path);
    EXPECT_TRUE(store.writeInt("settings", "ComPort", 7));
    EXPECT_EQ(read(), "; comment\n[first]\nA=1\n\n[Settings]\nDevice=/dev/ttyUSB0\nComPort = 7\n; trailing comment\n");

    // A byte order mark stays where the editor put it.
    write("\xEF\xBB\xBF[Settings]\nComPort=2\n");
    EXPECT_TRUE(IniSettingsStore(path).writeInt("settings", "ComPort", 3));
    EXPECT_EQ(read(), "\xEF\xBB\xBF[Settings]\nComPort=3\n");
}

TEST_F(IniSettingsStoreTest, MissingKeyJoinsItsSectionAndMissingSectionIsAppended) {
    write("[settings]\r\nDevice=/dev/ttyS1\r\n\r\n[log]\r\nLevel=info\r\n");
    IniSettingsStore store(path);
    EXPECT_TRUE(store.writeInt("settings", "ComPort", 1));
    EXPECT_TRUE(store.writeInt("extra", "Port", 4));
    EXPECT_EQ(read(),
              "[settings]\r\nDevice=/dev/ttyS1\r\nComPort=1\r\n\r\n[log]\r\nLevel=info\r\n\r\n[extra]\r\nPort=4\r\n");
}

TEST_F(IniSettingsStoreTest, MissingFileIsCreatedWithItsDirectory) {
    IniSettingsStore store(path);
    EXPECT_EQ(store.readInt("settings", "ComPort", 1), 1);
    EXPECT_TRUE(store.writeInt("settings", "ComPort", 1));
    EXPECT_EQ(read(), "[settings]\nComPort=1\n");
}

TEST_F(IniSettingsStoreTest, EditsMadeWhileRunningSurviveTheWriteBack) {
    write("[settings]\nComPort=2\n");
    IniSettingsStore store(path);
    write("[settings]\nComPort=2\nDevice=/dev/ttyACM0\n");
    EXPECT_TRUE(store.writeInt("settings", "ComPort", 3));
    EXPECT_EQ(read(), "[settings]\nComPort=3\nDevice=/dev/ttyACM0\n");
}

TEST_F(IniSettingsStoreTest, UnreadableFileGivesDefaultsAndIsNeverReplaced) {
    // A directory where the file belongs: opened, but not readable as text.
    std::filesystem::create_directories(path);
    IniSettingsStore store(path);
    EXPECT_EQ(store.readInt("settings", "ComPort", 1), 1);
    EXPECT_FALSE(store.writeInt("settings", "ComPort", 1));
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(IniSettingsStoreTest, UnwritableFileIsReportedNotHidden) {
    // Its directory is a file: no one, root included, can create it.
    std::ofstream(dir + "/plain") << "x";
    IniSettingsStore store(dir + "/plain/Lintor.conf");
    EXPECT_EQ(store.readInt("settings", "ComPort", 1), 1);
    EXPECT_FALSE(store.writeInt("settings", "ComPort", 3));
}

TEST_F(IniSettingsStoreTest, ReadOnlyStoreNeverTouchesTheFile) {
    IniSettingsStore absent(path, IniSettingsStore::Access::ReadOnly);
    EXPECT_FALSE(absent.writeInt("settings", "ComPort", 1));
    EXPECT_FALSE(std::filesystem::exists(dir + "/Varn")) << "not even its directory is made";

    write("[settings]\nDevice=/dev/knx-line1\n");
    const ino_t before = inode();
    IniSettingsStore admins(path, IniSettingsStore::Access::ReadOnly);
    EXPECT_EQ(admins.readString("settings", "device"), "/dev/knx-line1");
    EXPECT_FALSE(admins.writeInt("settings", "ComPort", 1));
    EXPECT_EQ(read(), "[settings]\nDevice=/dev/knx-line1\n");
    EXPECT_EQ(inode(), before);
}

}  // namespace
}  // namespace lintor
