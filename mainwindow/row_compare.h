#pragma once
// How the connection list orders two rows by one of its fourteen columns.
// Texts compare with ASCII letters folded to upper case; ports compare as
// unsigned numbers and IPv4 addresses by their four numbers, so that 80
// sorts before 443 and 192.168.0.9 before 192.168.0.10. Every comparison is
// a strict weak ordering, also over malformed texts.

#include <string_view>

#include "mainwindow/my_rec.h"

namespace portolan {

inline constexpr int kColumnCount = 14;

// Walks both texts byte by byte as unsigned values, a to z counting as A to
// Z and the end of a text (or a zero byte) as 0: the difference of the
// first pair that differs, 0 when none does.
int CompareFoldedText(std::string_view a, std::string_view b);

// An empty text comes first, then texts of decimal digits by their value
// (leading zeros count for nothing), then every other text, among
// themselves by CompareFoldedText. Below 0, 0 or above 0.
int ComparePortText(std::string_view a, std::string_view b);

// An empty text comes first, then dotted addresses of four numbers 0 to 255
// (one to three digits each) by those numbers, then every other text, among
// themselves by CompareFoldedText. Below 0, 0 or above 0.
int CompareIpv4Text(std::string_view a, std::string_view b);

// Compares a against b by the sort key of `column` into `result`. Columns 0
// (process ID), 2 (security level), 9 (manage) and 13 (remark), negative
// columns and columns past the last have no sort key: false, and `result`
// is left alone.
bool CompareRows(const TMyRec& a, const TMyRec& b, int column, int& result);

}  // namespace portolan
