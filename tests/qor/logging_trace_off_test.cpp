// A tracing switch other than 1 keeps traced methods silent for the whole process.
#include "log_key_fixture.h"
#include "qor_flags.h"

TEST_F(LogKey, TracingStaysOffUnlessTheSwitchIsOne)
{
    logTo(0x0FFF);
    storeNumber(TEXT("DynamicLogging"), 2);
    CQORFlags flags(6);
    EXPECT_TRUE(flags.hasFlags(2));
    storeNumber(TEXT("DynamicLogging"), 1);
    EXPECT_FALSE(flags.hasFlags(1));
    EXPECT_FALSE(fileExists());
}
