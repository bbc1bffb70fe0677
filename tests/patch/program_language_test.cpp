// The platform's resource lookup picks the string table's language: this program runs with
// a German user interface (under Wine LC_ALL=de_DE.UTF-8 sets it).
#include <gtest/gtest.h>

#include "patch_driver.h"
#include "test_text.h"

TEST(ProgramLanguage, ConfirmationAndRestartSpeakGerman)
{
    EXPECT_EQ(0u,
              utf8(loadProgramString(IDS_PATCH_CONFIRM).getBuffer()).find("Dieser Patch behebt"));
    EXPECT_EQ(0u, utf8(loadProgramString(IDS_PATCH_RESTART).getBuffer())
                      .find("Damit die Installation des Patches abgeschlossen werden kann"));
}
