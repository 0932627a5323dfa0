#include "installer_fixture.h"
#include "path_prefix.h"
#include "requirements.h"

namespace kestrin::testing {
namespace {

using PathPrefixTest = InstallerTest;

TEST_F(PathPrefixTest, EachPrefixResolvesOnlyAtTheStart) {
    platform.userName = "bob";
    platform.ownExecutablePath = "E:\\Media\\Setup.exe";
    const std::string install = "c:\\Program Files\\Maker\\Product";
    struct Case {
        std::string in;
        std::string out;
        bool applied;
    };
    const Case cases[] = {
        {"UserAccount\\Documents\\App.exe", "C:\\Users\\bob\\Documents\\App.exe", true},
        {"InstallFolder\\bin\\App.exe", install + "\\bin\\App.exe", true},
        {"FixedPath\\D:\\Tools\\Tool.exe", "D:\\Tools\\Tool.exe", true},
        {"SetupFolder\\Extra\\Tool.exe", "E:\\Media\\Extra\\Tool.exe", true},
        {"Tool.exe", "Tool.exe", false},
        {"useraccount\\x.exe", "useraccount\\x.exe", false},  // case-sensitive
        {"C:\\InstallFolder\\x.exe", "C:\\InstallFolder\\x.exe", false},
        // Rules see the results of the ones before them.
        {"FixedPath\\SetupFolder\\x.exe", "E:\\Media\\x.exe", true},
    };
    for (const Case& c : cases) {
        std::string path = c.in;
        EXPECT_EQ(ResolvePathPrefix(platform, path, install), c.applied) << c.in;
        EXPECT_EQ(path, c.out) << c.in;
    }
    platform.windowsFolder = "D:\\WINNT";
    std::string onD = "UserAccount\\x";
    EXPECT_TRUE(ExpandUserAccount(platform, onD));
    EXPECT_EQ(onD, "D:\\Users\\bob\\x");
}

using RequirementsTest = InstallerTest;

TEST_F(RequirementsTest, OsGenerationFromTheVersionFacts) {
    struct Case {
        std::optional<OsVersionFacts> facts;
        bool atLeast63;
        int code;
    };
    const Case cases[] = {
        {OsVersionFacts{1, 4, 0, ""}, false, 0},    {OsVersionFacts{1, 4, 10, ""}, false, 1},
        {OsVersionFacts{1, 4, 10, " A"}, false, 2}, {OsVersionFacts{1, 4, 90, ""}, false, 3},
        {OsVersionFacts{2, 4, 0, ""}, false, 4},    {OsVersionFacts{2, 5, 0, ""}, false, 5},
        {OsVersionFacts{2, 5, 1, ""}, false, 6},    {OsVersionFacts{2, 5, 2, ""}, false, 255},
        {OsVersionFacts{2, 6, 0, ""}, false, 7},    {OsVersionFacts{2, 6, 1, ""}, false, 8},
        {OsVersionFacts{2, 6, 2, ""}, false, 9},    {OsVersionFacts{2, 6, 2, ""}, true, 10},
        {OsVersionFacts{2, 6, 3, ""}, false, 10},   {OsVersionFacts{2, 6, 4, ""}, false, 7},
        {OsVersionFacts{3, 6, 1, ""}, false, 8},    {OsVersionFacts{2, 10, 0, ""}, false, 255},
        {std::nullopt, false, 255},
    };
    for (const Case& c : cases) {
        platform.osVersion = c.facts;
        platform.atLeastWindows63 = c.atLeast63;
        EXPECT_EQ(GetOsGeneration(platform), c.code)
            << (c.facts ? std::to_string(c.facts->platformId) + " " + std::to_string(c.facts->major) + "." +
                              std::to_string(c.facts->minor)
                        : "none");
    }
    platform.MakeFolder("c:\\windows\\SystemApps");  // found whatever its case
    platform.osVersion.reset();
    EXPECT_EQ(GetOsGeneration(platform), 11);
}

TEST_F(RequirementsTest, MinimumsFailWithOneMessageEachOsFirst) {
    platform.osVersion = OsVersionFacts{2, 6, 1, ""};  // Windows 7
    platform.physicalMemory = 999'999'999;
    EXPECT_FALSE(CheckRequirements(platform, "Windows8", "1GB"));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Windows 8 OS or later required.", "1 GB RAM is required."}));

    platform.log.clear();
    platform.physicalMemory = 1'000'000'000;
    EXPECT_TRUE(CheckRequirements(platform, "Windows7", "1GB"));  // Windows 7 is generation 8
    EXPECT_TRUE(CheckRequirements(platform, "", "1gb"));          // unknown spellings set no minimum
    EXPECT_TRUE(CheckRequirements(platform, "windows10", "3GB"));
    EXPECT_TRUE(Messages().empty());

    platform.osVersion = OsVersionFacts{2, 6, 2, ""};
    platform.atLeastWindows63 = true;  // 8.1
    EXPECT_TRUE(CheckRequirements(platform, "Windows8", ""));
    EXPECT_FALSE(CheckRequirements(platform, "Windows10", ""));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Windows 10 OS or later required."});
    platform.MakeFolder("C:\\Windows\\systemapps");
    EXPECT_FALSE(CheckRequirements(platform, "Windows10", "32GB"));  // OS met, memory short
    platform.physicalMemory.reset();  // unknown memory passes
    EXPECT_TRUE(CheckRequirements(platform, "Windows10", "32GB"));

    platform.osVersion = OsVersionFacts{2, 6, 0, ""};  // Vista
    platform.log.clear();
    std::filesystem::remove(platform.HostPath("C:\\Windows\\systemapps"));
    EXPECT_FALSE(CheckRequirements(platform, "Windows7", ""));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Windows 7 OS or later required."});
}

}  // namespace
}  // namespace kestrin::testing
