#include "test_environment.h"

// Under Wine each test program runs in the project's prefix as it is.
void qorTestResetEnvironment() {}
