#include "installer_fixture.h"
#include "notes.h"

namespace kestrin::testing {
namespace {

using NotesTest = InstallerTest;

TEST_F(NotesTest, TheTextChoosesDialogKindAndSize) {
    const std::vector<std::string> noLabels;
    EXPECT_TRUE(ShowNotes(platform, noLabels, "T", "", true));  // nothing to show counts as accepted
    EXPECT_TRUE(platform.notesRequests.empty());

    ShowNotes(platform, noLabels, "T", std::string(499, 'a'), false);
    ShowNotes(platform, noLabels, "T", std::string(500, 'a'), false);
    // 499 characters of Cyrillic are 998 UTF-8 bytes but still the compact dialog.
    std::string cyrillic;
    for (int i = 0; i < 499; ++i) cyrillic += "\xD0\x96";
    ShowNotes(platform, noLabels, "T", cyrillic, false);
    ShowNotes(platform, noLabels, "T", "<html><b>x</b></html>", false);
    ShowNotes(platform, noLabels, "T", "intro <HTML><b>x</b>", false);
    ASSERT_EQ(platform.notesRequests.size(), 5u);
    EXPECT_TRUE(platform.notesRequests[0].compact);
    EXPECT_FALSE(platform.notesRequests[1].compact);
    EXPECT_TRUE(platform.notesRequests[2].compact);
    EXPECT_FALSE(platform.notesRequests[3].html);  // only the upper-case tag counts
    EXPECT_TRUE(platform.notesRequests[3].compact);
    EXPECT_TRUE(platform.notesRequests[4].html);
    EXPECT_FALSE(platform.notesRequests[4].compact);
}

TEST_F(NotesTest, ModesTakeTheirCaptionsAndOnlyContinueAccepts) {
    const std::vector<std::string> labels = {"Decline", "", "Accept", "", "", "", "", "", "Close"};
    platform.notesAnswers = {true, false};
    EXPECT_TRUE(ShowNotes(platform, labels, "Agreement", "terms", true));
    EXPECT_FALSE(ShowNotes(platform, labels, "Agreement", "terms", true));
    EXPECT_FALSE(ShowNotes(platform, labels, "Info", "info", false));  // view mode gives false
    EXPECT_EQ(platform.notesRequests[0].continueCaption, "Accept");
    EXPECT_EQ(platform.notesRequests[0].quitCaption, "Decline");
    EXPECT_EQ(platform.notesRequests[2].closeCaption, "Close");
    EXPECT_FALSE(platform.notesRequests[2].ask);

    ShowNotes(platform, {}, "Agreement", "terms", true);
    ShowNotes(platform, {}, "Info", "info", false);
    EXPECT_EQ(platform.notesRequests[3].continueCaption, "Continue");
    EXPECT_EQ(platform.notesRequests[3].quitCaption, "Quit");
    EXPECT_EQ(platform.notesRequests[4].closeCaption, "OK");
}

}  // namespace
}  // namespace kestrin::testing
