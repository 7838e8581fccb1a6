#pragma once

#include <string>
#include <string_view>

namespace velkin {

// The program's path rules. A separator is "\" or ":". In a double-byte code page a "\" byte
// that is the second byte of a double-byte character is no separator; whether it is one is told
// by the bytes directly before it that have lead-byte values: an odd count makes it a second
// byte. Wide text has no such bytes, so its lead-byte test is always false.

using LeadByteTest = bool (*)(unsigned char byte);

// Everything up to and including the last separator; empty when there is none.
std::wstring FolderPart(std::wstring_view path);
std::string FolderPart(std::string_view path, LeadByteTest isLeadByte);

// Everything after the last separator; the whole path when there is none.
std::wstring FileNamePart(std::wstring_view path);
// Its length, for taking it as a tail of the path without a copy.
std::size_t FileNamePartLength(std::wstring_view path);
std::string FileNamePart(std::string_view path, LeadByteTest isLeadByte);

// Drops the name's extension (from its last "." when no separator follows that dot) and
// appends the new one.
std::wstring ChangeExtension(std::wstring_view name, std::wstring_view extension);
std::string ChangeExtension(std::string_view name, std::string_view extension,
                            LeadByteTest isLeadByte);

// Shift-JIS (code page 932) lead bytes.
bool IsShiftJisLeadByte(unsigned char byte);

} // namespace velkin
