// The program's terminate handler. The C++ runtime's own names the uncaught exception on
// stderr, which a program without a console does not have, and links the symbol demangler
// and formatted output to do it. Ending the process is all a terminate can do here; every
// operation of the program catches what it raises, so it is not expected to run at all.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx
{
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
