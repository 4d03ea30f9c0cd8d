#pragma once

#include <QString>

// mV2Files: folders and paths.
namespace tavrelis {

// The Windows rules, as text only: nothing here touches a file system. The current folder
// is an absolute Windows path ("C:\Work", "\\srv\share\dir"); its root is the current drive.
namespace win {

// The absolute form of path: "/" read as "\", "." and ".." resolved, repeated "\" collapsed;
// "C:x" and "x" resolved against the current folder, "\x" against its root. A path
// starting with "\\?\" is taken as it stands. Empty text when it cannot be resolved.
// A drive-relative path of another drive ("D:x") resolves from that drive's root.
QString full_path(const QString& path, const QString& current);

// Root (what must already exist: "C:\", "\\srv\share\", "\\?\C:\", "\\?\UNC\srv\share\")
// and rest (the folder names below it, "\"-separated) of full_path(path, current).
bool split_path(const QString& path, const QString& current, QString& root, QString& rest);

} // namespace win

// The same rules for this system: "\" is read as "/", the root of an absolute path is "/",
// and a relative path is resolved against current.
namespace posix {
QString full_path(const QString& path, const QString& current);
bool split_path(const QString& path, const QString& current, QString& root, QString& rest);
} // namespace posix

// What the module uses, against the process's current folder.

// True when path names an existing folder; false otherwise or on any error.
bool folder_exists(const QString& path);

// Absolute form of path; empty text when it cannot be resolved.
QString full_path(const QString& path);

// True when path could be split into a root and a rest.
bool split_path(const QString& path, QString& root, QString& rest);

// Makes sure the folder exists, creating every missing level. Shows nothing: on failure
// returns false with the message in err_text (naming the path with "/" separators);
// levels created before a failure stay.
bool make_folder_tree(const QString& path, QString& err_text);

} // namespace tavrelis
