#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <chrono>
#include <string>

#include "platform/Profile.h"

namespace fs = std::filesystem;

namespace {

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("zs-profile-" + std::string(info->name()) + "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = (dir_ / "test.ini").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Read(const std::string& section, const std::string& key,
                     const std::string& def = "DEF", unsigned size = 255) {
        std::string out = "junk";
        unsigned n = platform::GetPrivateProfileString(section, key, def, &out, size, file_);
        EXPECT_EQ(n, out.size());
        return out;
    }
    // Names of the files in the folder, to see that nothing was left behind.
    std::string Listing() const {
        std::string names;
        for (const auto& e : fs::directory_iterator(dir_)) names += e.path().filename().string() + ";";
        return names;
    }

    fs::path dir_;
    std::string file_;
};

const std::string kSample =
    "; options of the program\r\n"
    "\r\n"
    "[Option]\r\n"
    "  ComPort =  3  \r\n"
    "ComAutoRelease=5\r\n"
    ";Hidden=1\r\n"
    "Formula=a=b\r\n"
    "a line without an equals sign\r\n"
    "Empty=\r\n"
    "comport=99\r\n"
    "\r\n"
    "[ Other ]\r\n"
    "ComPort=7\r\n"
    "[option]\r\n"
    "Late=1";  // last line without a line end

TEST_F(ProfileFile, ReadsValuesMatchingNamesWithoutRegardToCase) {
    Put(file_, kSample);
    struct Case { const char* section; const char* key; const char* def; const char* want; };
    const Case cases[] = {
        {"OPTION", "ComPort", "DEF", "3"},          // trimmed, first of duplicates
        {"option", "COMPORT", "DEF", "3"},
        {"Option", "ComAutoRelease", "DEF", "5"},
        {"Option", "Formula", "DEF", "a=b"},        // split at the first "="
        {"Option", "Empty", "DEF", ""},             // stored empty beats the default
        {"Option", ";Hidden", "DEF", "DEF"},        // comments are no keys
        {"Option", "Hidden", "DEF", "DEF"},
        {"Option", "Late", "DEF", "DEF"},           // only the first section of a name is read
        {"other", "comport", "DEF", "7"},           // blanks inside the brackets ignored
        {"Missing", "ComPort", "1", "1"},
        {"Option", "Missing", "x  ", "x"},          // trailing blanks of the default dropped
        {"Option", "Missing", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.section, c.key, c.def), c.want) << c.section << "/" << c.key;
}

TEST_F(ProfileFile, MissingFileGivesTheDefaultAndCreatesNothing) {
    EXPECT_EQ(Read("OPTION", "ComPort", "1"), "1");
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(Listing(), "");
}

TEST_F(ProfileFile, CopiesAtMostOneLessThanTheBuffer) {
    const std::string longValue(300, 'v');
    Put(file_, "[S]\nK=" + longValue + "\n");
    EXPECT_EQ(Read("S", "K"), std::string(254, 'v'));
    EXPECT_EQ(Read("S", "K", "DEF", 4), "vvv");
    EXPECT_EQ(Read("S", "Missing", std::string(300, 'd')), std::string(254, 'd'));
    EXPECT_EQ(Read("S", "K", "DEF", 1), "");
    EXPECT_EQ(Read("S", "K", "DEF", 0), "");
}

TEST_F(ProfileFile, ReplacingAValueKeepsEveryOtherByte) {
    Put(file_, kSample);
    ASSERT_TRUE(platform::WritePrivateProfileString("OPTION", "comport", "12", file_));
    std::string want = kSample;
    want.replace(want.find("  ComPort =  3  "), 16, "  ComPort =12");
    EXPECT_EQ(Get(file_), want);
    EXPECT_EQ(Listing(), "test.ini;");  // no temporary file left
}

TEST_F(ProfileFile, NewKeyGoesAtTheEndOfItsSectionWithTheFilesLineEnd) {
    Put(file_, "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    ASSERT_TRUE(platform::WritePrivateProfileString("a", "New", "v", file_));
    EXPECT_EQ(Get(file_), "[A]\r\nx=1\r\nNew=v\r\n\r\n[B]\r\ny=2\r\n");

    Put(file_, "[A]\nx=1");  // LF file, no line end at its end
    ASSERT_TRUE(platform::WritePrivateProfileString("A", "New", "v", file_));
    EXPECT_EQ(Get(file_), "[A]\nx=1\nNew=v\n");
}

TEST_F(ProfileFile, NewSectionIsAppendedAndNewFileCreated) {
    ASSERT_TRUE(platform::WritePrivateProfileString("OPTION", "ComPort", "3", file_));
    ASSERT_TRUE(platform::WritePrivateProfileString("OPTION", "ComAutoRelease", "0", file_));
#ifdef _WIN32
    const std::string eol = "\r\n";
#else
    const std::string eol = "\n";
#endif
    EXPECT_EQ(Get(file_), "[OPTION]" + eol + "ComPort=3" + eol + "ComAutoRelease=0" + eol);

    Put(file_, "; comment\r\nodd line");
    ASSERT_TRUE(platform::WritePrivateProfileString("S", "K", "  v  ", file_));
    EXPECT_EQ(Get(file_), "; comment\r\nodd line\r\n\r\n[S]\r\nK=v\r\n");
    EXPECT_EQ(Read("s", "k"), "v");
}

TEST_F(ProfileFile, GarbageFileReadsDefaultsAndKeepsItsBytesOnWrite) {
    std::string garbage;
    std::uint32_t x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        garbage += static_cast<char>((x >> 16) & 0xFF);
    }
    garbage += std::string("\0[x\r\r=\n\xff\xfe=", 11);
    Put(file_, garbage);
    EXPECT_EQ(Read("OPTION", "ComPort", "1"), "1");
    ASSERT_TRUE(platform::WritePrivateProfileString("OPTION", "ComPort", "4", file_));
    const std::string after = Get(file_);
    ASSERT_GE(after.size(), garbage.size());
    EXPECT_EQ(after.substr(0, garbage.size()), garbage);
    EXPECT_EQ(Read("OPTION", "ComPort", "1"), "4");
}

TEST_F(ProfileFile, UnwritablePlacesFailWithoutHarm) {
    // A folder that does not exist, one that is a file, and a target that is a folder.
    EXPECT_FALSE(platform::WritePrivateProfileString("S", "K", "v", (dir_ / "none" / "p.ini").string()));
    Put(file_, "[S]\nK=old\n");
    EXPECT_FALSE(platform::WritePrivateProfileString("S", "K", "v", file_ + "/p.ini"));
    fs::create_directory(dir_ / "folder.ini");
    EXPECT_FALSE(platform::WritePrivateProfileString("S", "K", "v", (dir_ / "folder.ini").string()));
    EXPECT_EQ(Get(file_), "[S]\nK=old\n");
    EXPECT_EQ(Listing().size(), std::string("test.ini;folder.ini;").size());

    // A folder without write permission, where the system enforces it:
    // root writes anywhere, and Windows keeps a folder's read-only mark
    // only as a hint.
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    const bool enforced = !std::ofstream(dir_ / "probe", std::ios::binary).is_open();
    if (enforced) {
        EXPECT_FALSE(platform::WritePrivateProfileString("S", "K", "new", file_));
    }
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove(dir_ / "probe");
    if (enforced) {
        EXPECT_EQ(Get(file_), "[S]\nK=old\n");
    }
}

TEST_F(ProfileFile, RefusesTextThatWouldBreakTheLines) {
    Put(file_, "[S]\nK=old\n");
    const char* bad[][3] = {
        {"S", "K", "two\nlines"}, {"S", "K", "cr\rhere"}, {"S", "K=1", "v"}, {"S]", "K", "v"},
        {"", "K", "v"},           {"S", "", "v"},         {"S", "[K", "v"},
    };
    for (const auto& b : bad)
        EXPECT_FALSE(platform::WritePrivateProfileString(b[0], b[1], b[2], file_)) << b[1] << b[2];
    EXPECT_FALSE(platform::WritePrivateProfileString("S", "K", std::string("nul\0x", 5), file_));
    EXPECT_EQ(Get(file_), "[S]\nK=old\n");
}

#ifndef _WIN32
TEST_F(ProfileFile, WriteKeepsPermissionsAndLinks) {
    Put(file_, "[S]\nK=old\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path link = dir_ / "link.ini";
    fs::create_symlink(file_, link);
    ASSERT_TRUE(platform::WritePrivateProfileString("S", "K", "new", link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(file_), "[S]\nK=new\n");
    EXPECT_EQ(fs::status(file_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}
#endif

} // namespace
