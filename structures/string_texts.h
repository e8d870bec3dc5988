// What the string lookup gives where a structure names no string of its own: texts the package
// stores as they stand, which the tools recognise.
#pragma once

// For string number 0: the firmware gives no string there.
inline constexpr char kNotSpecifiedText[] = "Not Specified";

// For a string the structure does not have: this very text, so that a caller can tell it from a
// string of the table by its address.
inline constexpr char kBadIndexText[] = "<BAD INDEX>";
