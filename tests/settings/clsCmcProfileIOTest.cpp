#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include <chrono>

#include "platform/Host.h"
#include "settings/clsCmcProfileIO.h"

namespace fs = std::filesystem;

namespace {

class FolderDesktop final : public platform::IDesktop {
public:
    explicit FolderDesktop(std::string folder) : folder_(std::move(folder)) {}
    int messageBox(const std::string&, const std::string&) override { return platform::kMsgBoxOk; }
    void beep() override {}
    std::string programFolder() override { return folder_; }
    bool previousInstance() override { return false; }
    std::string folder_;
};

std::string Get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ProfileStore : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("zs-store-" + std::string(info->name()) + "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        desktop_.folder_ = dir_.string();
        platform::SetDesktop(&desktop_);
        prof_.SetCurrentPath();
        prof_.Name("ZSN7ADJ.rs");
        prof_.Section("OPTION");
        file_ = dir_ / "ZSN7ADJ.rs";
    }
    void TearDown() override {
        platform::SetDesktop(nullptr);
        fs::remove_all(dir_);
    }
    void Store(const std::string& key, const std::string& text) {
        std::ofstream(file_, std::ios::binary) << "[OPTION]\r\n" << key << "=" << text << "\r\n";
    }

    FolderDesktop desktop_{""};
    fs::path dir_;
    fs::path file_;
    clsCmcProfileIO prof_;
};

TEST_F(ProfileStore, OptionsRoundTripAsTheProgramUsesThem) {
    EXPECT_EQ(fs::path(prof_.GetMyProfile()), dir_ / "ZSN7ADJ.rs");  // either separator on Windows
    std::int32_t v = 0;
    EXPECT_TRUE(prof_.loadData("ComPort", v, 1));  // no file: the default
    EXPECT_EQ(v, 1);
    EXPECT_FALSE(fs::exists(file_));

    EXPECT_TRUE(prof_.saveData("ComPort", std::int32_t{3}));
    EXPECT_TRUE(prof_.saveData("ComAutoRelease", std::int32_t{5}));
    EXPECT_TRUE(prof_.loadData("ComPort", v, 1));
    EXPECT_EQ(v, 3);
    EXPECT_TRUE(prof_.loadData("comautorelease", v, 0));
    EXPECT_EQ(v, 5);
    const std::string text = Get(file_);
    EXPECT_NE(text.find("[OPTION]"), std::string::npos);
    EXPECT_NE(text.find("ComPort=3"), std::string::npos);
    EXPECT_NE(text.find("ComAutoRelease=5"), std::string::npos);
}

TEST_F(ProfileStore, EveryTypeIsWrittenAsItsTextAndReadBack) {
    struct Case { const char* key; ProfileValue value; const char* text; ProfileValue start; };
    const Case cases[] = {
        {"I16Min", std::int16_t{-32768}, "-32768", std::int16_t{0}},
        {"I16Max", std::int16_t{32767}, "32767", std::int16_t{0}},
        {"I32Min", std::numeric_limits<std::int32_t>::min(), "-2147483648", std::int32_t{0}},
        {"I32Max", std::int32_t{2147483647}, "2147483647", std::int32_t{0}},
        {"Single", 0.1f, "0.1", 0.0f},
        {"Double", 146.52, "146.52", 0.0},
        {"DoubleBig", 1.5e300, "1.5e+300", 0.0},
        {"Money", Currency::FromScaled(125000), "12.5", Currency{}},
        {"MoneyNeg", Currency::FromScaled(-1), "-0.0001", Currency{}},
        {"MoneyMin", Currency::FromScaled(std::numeric_limits<std::int64_t>::min()),
         "-922337203685477.5808", Currency{}},
        {"Byte", std::uint8_t{255}, "255", std::uint8_t{0}},
        {"Text", std::string("COM 1 at 9600"), "COM 1 at 9600", std::string("x")},
        {"True", true, "1", false},
        {"False", false, "0", true},
        {"Date", DateTime{2001, 10, 5, 14, 3, 9}, "2001.10.05-14:03:09", DateTime{}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(prof_.saveData(c.key, c.value)) << c.key;
        EXPECT_NE(Get(file_).find(std::string(c.key) + "=" + c.text), std::string::npos) << c.key;
        ProfileValue back = c.start;
        EXPECT_TRUE(prof_.loadData(c.key, back)) << c.key;
        EXPECT_EQ(back, c.value) << c.key;
    }
}

TEST_F(ProfileStore, StoredTextIsConvertedByTheVariablesType) {
    struct Case { const char* stored; ProfileValue start; bool ok; ProfileValue want; };
    const Case cases[] = {
        {"3 ", std::int16_t{9}, true, std::int16_t{3}},
        {"  -3", std::int32_t{9}, true, std::int32_t{-3}},
        {"+7", std::int32_t{9}, true, std::int32_t{7}},
        {"abc", std::int16_t{9}, false, std::int16_t{9}},
        {"3.5", std::int16_t{9}, false, std::int16_t{9}},
        {"+-3", std::int16_t{9}, false, std::int16_t{9}},
        {"-", std::int32_t{9}, false, std::int32_t{9}},
        {"12abc", std::int32_t{9}, false, std::int32_t{9}},
        {"32768", std::int16_t{9}, false, std::int16_t{9}},
        {"-32769", std::int16_t{9}, false, std::int16_t{9}},
        {"2147483648", std::int32_t{9}, false, std::int32_t{9}},
        {"99999999999999999999", std::int32_t{9}, false, std::int32_t{9}},
        {"256", std::uint8_t{9}, false, std::uint8_t{9}},
        {"-1", std::uint8_t{9}, false, std::uint8_t{9}},
        {"1e39", 1.0f, false, 1.0f},
        {"2.5e-3", 1.0f, true, 0.0025f},
        {"1e999", 1.0, false, 1.0},
        {"x1", 1.0, false, 1.0},
        {"1.23456", Currency{}, true, Currency::FromScaled(12346)},
        {"-1.23455", Currency{}, true, Currency::FromScaled(-12346)},
        {"922337203685477.5807", Currency{}, true, Currency::FromScaled(std::numeric_limits<std::int64_t>::max())},
        {"922337203685477.5808", Currency{}, false, Currency{}},
        {"1.2.3", Currency{}, false, Currency{}},
        {"yes", false, true, true},
        {"0", true, true, false},
        {"0 ", true, true, false},
        {"no", false, true, true},
        {"text   ", std::string("x"), true, std::string("text")},
        // The date builder carries month 13 into the next year, day 32 into the next month.
        {"2001.13.05-14:03:09", DateTime{}, true, DateTime{2002, 1, 5, 14, 3, 9}},
        {"2001/01/32 24:00:00", DateTime{}, true, DateTime{2001, 2, 2, 0, 0, 0}},
        {"2001.10.05", DateTime{1999, 1, 1, 0, 0, 0}, true, DateTime{1999, 1, 1, 0, 0, 0}},
        {"abcd.10.05-14:03:09", DateTime{}, false, DateTime{}},
    };
    for (const Case& c : cases) {
        Store("Key", c.stored);
        ProfileValue v = c.start;
        EXPECT_EQ(prof_.loadData("Key", v), c.ok) << c.stored;
        EXPECT_EQ(v, c.want) << c.stored;
    }
}

TEST_F(ProfileStore, TypedVariablesTakeTheSameRoads) {
    Store("Port", "3 ");
    std::int16_t port = 0;
    EXPECT_TRUE(prof_.loadData("Port", port));
    EXPECT_EQ(port, 3);
    bool flag = false;
    EXPECT_TRUE(prof_.loadData("Missing", flag, true));
    EXPECT_TRUE(flag);
    std::string text;
    EXPECT_TRUE(prof_.saveData("Text", "plain words"));  // a literal is stored as text
    EXPECT_TRUE(prof_.loadData("Text", text));
    EXPECT_EQ(text, "plain words");
    DateTime when{};
    EXPECT_TRUE(prof_.loadData("Missing", when, DateTime{2001, 13, 5, 0, 0, 0}));
    EXPECT_EQ(when, (DateTime{2002, 1, 5, 0, 0, 0}));
}

TEST_F(ProfileStore, LongTextIsCutTo254Characters) {
    ASSERT_TRUE(prof_.saveData("Long", std::string(300, 'L')));
    std::string s;
    EXPECT_TRUE(prof_.loadData("Long", s, std::string("d")));
    EXPECT_EQ(s, std::string(254, 'L'));
}

TEST_F(ProfileStore, EmptyValueOrDefaultFailsAndLeavesTheVariable) {
    Store("Empty", "");
    std::string s = "before";
    EXPECT_FALSE(prof_.loadData("Empty", s, std::string("default")));
    EXPECT_EQ(s, "before");
    EXPECT_FALSE(prof_.loadData("Missing", s, std::string()));
    EXPECT_EQ(s, "before");
    std::int32_t n = 4;
    EXPECT_FALSE(prof_.loadData("Empty", n));
    EXPECT_EQ(n, 4);
}

TEST_F(ProfileStore, UnsupportedValuesAndMismatchedDefaultsTouchNothing) {
    ProfileValue none;
    EXPECT_FALSE(prof_.saveData("ComPort", none));
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_FALSE(prof_.loadData("ComPort", none, std::int32_t{1}));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(none));
    EXPECT_FALSE(prof_.saveData("When", DateTime{10000, 1, 1, 0, 0, 0}));  // no four-digit year
    EXPECT_FALSE(fs::exists(file_));

    Store("ComPort", "3");
    const std::string before = Get(file_);
    std::int32_t v = 7;
    EXPECT_FALSE(prof_.loadData("ComPort", v, std::string("1")));
    EXPECT_FALSE(prof_.loadData("ComPort", v, std::int16_t{1}));
    EXPECT_FALSE(prof_.loadData("ComPort", v, 1.0));
    EXPECT_EQ(v, 7);
    EXPECT_EQ(Get(file_), before);
}

TEST_F(ProfileStore, FailedWriteIsReportedAndLosesNothing) {
    prof_.Path((dir_ / "missing-folder").string() + "/");
    EXPECT_FALSE(prof_.saveData("ComPort", 3));
    EXPECT_FALSE(prof_.saveData("Text", std::string("two\nlines")));
    std::int32_t v = 0;
    EXPECT_TRUE(prof_.loadData("ComPort", v, 1));
    EXPECT_EQ(v, 1);
}

TEST(ProfileStoreText, StripTerminatorAndFileName) {
    EXPECT_EQ(clsCmcProfileIO::StripTerminator(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(clsCmcProfileIO::StripTerminator("abc"), "abc");
    EXPECT_EQ(clsCmcProfileIO::StripTerminator(std::string("\0", 1)), "");
    EXPECT_EQ(clsCmcProfileIO::UCase16("mIxEd"), "mIxEd");
    struct Case { const char* path; const char* name; };
    const Case cases[] = {
        {"C:\\Dir\\file.ini", "file.ini"}, {"C:file.ini", "file.ini"}, {"file.ini", "file.ini"},
        {"C:\\Dir\\", ""},                 {"a/b.ini", "a/b.ini"},
    };
    for (const Case& c : cases) EXPECT_EQ(clsCmcProfileIO::GetFileName(c.path), c.name) << c.path;
}

TEST(ProfileStoreText, PathNameCarriesNoTrailingBackslash) {
    FolderDesktop desktop("/opt/zs\\");
    platform::SetDesktop(&desktop);
    struct Case { const char* path; const char* folder; };
    const Case cases[] = {
        {"C:\\Dir\\file.ini", "C:\\Dir"},
        {"C:/Dir/Sub/file.ini", "C:\\Dir\\Sub"},
        {"C:\\file.ini", "C:"},
        {"C:\\", "C:"},
        {"Dir\\", "Dir"},
        {"\\file.ini", ""},
        {"file.ini", "/opt/zs"},  // the program's folder
    };
    for (const Case& c : cases) EXPECT_EQ(clsCmcProfileIO::GetPathName(c.path), c.folder) << c.path;
    platform::SetDesktop(nullptr);
}

TEST(ProfileStoreText, CurrentPathAndFullPath) {
    FolderDesktop desktop("/opt/zs");
    platform::SetDesktop(&desktop);
    clsCmcProfileIO p;
    EXPECT_EQ(p.Name(), "Profile.INI");
    EXPECT_EQ(p.Path(), "");
    EXPECT_EQ(p.GetMyProfile(), "Profile.INI");
    p.SetCurrentPath();
    EXPECT_EQ(p.Path(), "/opt/zs/");
    EXPECT_EQ(p.FullPath(), "/opt/zs/Profile.INI");
    desktop.folder_ = "/";
    p.SetCurrentPath();
    EXPECT_EQ(p.Path(), "/");
    desktop.folder_ = "";  // unknown folder: the current one, not the root
    p.SetCurrentPath();
    EXPECT_EQ(p.Path(), "");
#ifndef _WIN32
    desktop.folder_ = "/opt/zs";
    p.FullPath("/home/tech/zs:n7\\x.rs");
    EXPECT_EQ(p.Path(), "/home/tech/");
    EXPECT_EQ(p.Name(), "zs:n7\\x.rs");
    p.FullPath("/x.rs");
    EXPECT_EQ(p.FullPath(), "/x.rs");
    p.FullPath("x.rs");
    EXPECT_EQ(p.FullPath(), "/opt/zs/x.rs");
#endif
    platform::SetDesktop(nullptr);
}

TEST(ProfileStoreText, DateBuilderCarriesLikeACalendar) {
    struct Case { std::int64_t y, mo, d, h, mi, s; bool ok; DateTime want; };
    const Case cases[] = {
        {2001, 10, 5, 14, 3, 9, true, {2001, 10, 5, 14, 3, 9}},
        {2001, 13, 5, 0, 0, 0, true, {2002, 1, 5, 0, 0, 0}},
        {2001, 0, 1, 0, 0, 0, true, {2000, 12, 1, 0, 0, 0}},
        {2001, 1, 32, 0, 0, 0, true, {2001, 2, 1, 0, 0, 0}},
        {2000, 2, 30, 0, 0, 0, true, {2000, 3, 1, 0, 0, 0}},  // leap year
        {1900, 2, 29, 0, 0, 0, true, {1900, 3, 1, 0, 0, 0}},  // not a leap year
        {2001, 12, 31, 23, 59, 60, true, {2002, 1, 1, 0, 0, 0}},
        {2001, 1, 1, 0, 0, -1, true, {2000, 12, 31, 23, 59, 59}},
        {2001, 1, 1, 99, 99, 99, true, {2001, 1, 5, 4, 40, 39}},
        {9999, 12, 31, 23, 59, 59, true, {9999, 12, 31, 23, 59, 59}},
        {9999, 13, 1, 0, 0, 0, false, {}},
        {0, 1, 1, 0, 0, 0, false, {}},
        {std::numeric_limits<std::int64_t>::max(), 1, 1, 0, 0, 0, false, {}},
    };
    for (const Case& c : cases) {
        auto got = BuildDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s);
        ASSERT_EQ(got.has_value(), c.ok) << c.y << "-" << c.mo << "-" << c.d;
        if (c.ok) {
            EXPECT_EQ(*got, c.want) << c.y << "-" << c.mo << "-" << c.d;
        }
    }
}

} // namespace
