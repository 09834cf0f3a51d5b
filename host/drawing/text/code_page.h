// Text of drawings saved before AutoCAD 2007 (R2004 and older DXF): bytes in
// the Windows code page the header names ($DWGCODEPAGE), not UTF-8.
#pragma once

#include <string>

namespace tvk::host {

// The text as UTF-8: as it stands when it is valid UTF-8 already, else read
// in the code page (a $DWGCODEPAGE name such as "ANSI_1252"; Windows-1252 for
// an empty or unknown one).
std::string to_utf8(const std::string& text, const std::string& code_page);

// The character of an MTEXT "\M+nXXXX" code: the double-byte character XXXX
// (hexadecimal) of code page n (1 Japanese, 2 Traditional Chinese, 3 Korean,
// 4 Korean Johab, 5 Simplified Chinese), as UTF-8; "?" when unknown.
std::string double_byte_to_utf8(int code_page, unsigned code);

}  // namespace tvk::host
