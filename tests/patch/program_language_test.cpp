// The platform's resource lookup picks the string table's language: this program runs with
// a German user interface (under Wine LC_ALL=de_DE.UTF-8 sets it).
#include <gtest/gtest.h>

#include "patch_driver.h"
#include "test_text.h"

TEST(ProgramLanguage, ConfirmationAndRestartSpeakGerman)
{
    EXPECT_EQ(0u,
              utf8(loadProgramString(IDS_PATCH_CONFIRM).getBuffer()).find("Dieser Patch behebt"));
    std::string strRestart = utf8(loadProgramString(IDS_PATCH_RESTART).getBuffer());
    EXPECT_EQ(0u, strRestart.find("Damit die Installation des Patches abgeschlossen werden kann"));
    // The button is Yes, in German "Ja"; the version is joined by a no-break space.
    EXPECT_NE(std::string::npos, strRestart.find("Klicken Sie auf \u201EJa\u201C")) << strRestart;
    EXPECT_NE(std::string::npos,
              utf8(loadProgramString(IDS_PATCH_CONFIRM).getBuffer()).find("Velmora\u00A08.1"));
}
