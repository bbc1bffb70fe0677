// What each test starts from: on the host a fresh in-memory machine, under Wine the prefix.
#pragma once

void qorTestResetEnvironment();
