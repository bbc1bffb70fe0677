// Pieces of the C++ runtime the program replaces, for what they would drag into the exe.
//
// The terminate handler: the runtime's own names the uncaught exception on stderr, which a
// program without a console does not have, and links the symbol demangler and formatted
// output to do it. Ending the process is all a terminate can do here; every operation of the
// program catches what it raises, so it is not expected to run at all.
//
// The container failures: the runtime keeps every std::__throw_* helper in one object, and
// taking it for the three that std::vector calls links std::string, std::logic_error and
// std::random_device too. A vector longer than it can ever be is an allocation that cannot
// succeed, so it is reported as one; every caller catches it like any other exception.
#include <cstdlib>
#include <exception>
#include <new>

namespace __gnu_cxx
{
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

namespace std
{
void __throw_bad_alloc()
{
    throw std::bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw std::bad_array_new_length();
}

void __throw_length_error(const char*)
{
    throw std::bad_alloc();
}
} // namespace std
