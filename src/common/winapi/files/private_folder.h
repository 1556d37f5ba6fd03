#pragma once
// A temporary folder of this process's own in a place other users may write to (the
// temporary folder of an ordinary user, C:\Windows\Temp, /tmp): made new, closed to
// everyone else, and removed without following what may have been planted in it.
#include <string_view>

namespace winapi {

// CreateDirectoryW with a protected DACL that grants this process's user alone full
// access, inherited by what is made inside; mode 0700 on Linux. A name that is taken, by
// a folder, a file or a link, fails with 183 (ERROR_ALREADY_EXISTS) and is left alone.
bool create_private_folder(std::u16string_view path);

// Removes path and everything below it. A link met on the way (a symbolic link, a
// junction, any other reparse point), path itself included, is removed as a link: what
// it points to is never entered. False with the last error set at the first failure.
bool remove_tree_without_following_links(std::u16string_view path);

}  // namespace winapi
