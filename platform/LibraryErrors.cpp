// How the C++ library's containers and strings report the errors they cannot recover from, in the
// exe: a length past what memory can hold, a position outside a string. The library's own helpers
// throw exceptions that carry a message in a string of yet another kind, and with them link some
// 80 KiB of string and formatting code that nothing here reads. These throw what the tool's code
// catches: std::bad_alloc for a size that cannot be had, CInvalidArgException for a position or
// argument a container cannot take (a caller's mistake). Only the exe links them; the tests keep
// the library's, which their framework relies on. A library that needs one more of these fails
// the link with a second definition rather than changing quietly.
#include <new>

#include "platform/Exceptions.h"

namespace std {

[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_array_new_length(); }
[[noreturn]] void __throw_length_error(const char*) { throw bad_alloc(); }
[[noreturn]] void __throw_logic_error(const char*) { AfxThrowInvalidArgException(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { AfxThrowInvalidArgException(); }

}  // namespace std
