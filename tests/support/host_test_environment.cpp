#include "test_environment.h"

#include "qor_host.h"

void qorTestResetEnvironment()
{
    qorhost::resetMachine();
}
