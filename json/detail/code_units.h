#pragma once

namespace json::detail {

// BS, TAB, LF, FF, CR and space; vertical tab is not whitespace.
inline bool isWhitespace(char16_t v) {
  return v == 8 || v == u'\t' || v == u'\n' || v == 12 || v == u'\r' || v == u' ';
}

// A unit after a complete literal that makes the literal part of unquoted text instead.
inline bool continuesLiteral(char16_t v) {
  return v == u'.' || v == u'_' || (v >= u'A' && v <= u'Z') || (v >= u'a' && v <= u'z') || v >= 256;
}

// The value of a hex digit, or -1.
inline int hexDigit(char16_t v) {
  if (v >= u'0' && v <= u'9') return v - u'0';
  if ((v >= u'A' && v <= u'F') || (v >= u'a' && v <= u'f')) return (v & 7) + 9;
  return -1;
}

// The reserved set: code units that end a path segment or a member name.
inline bool isReserved(char16_t v) {
  switch (v) {
    case 0:
    case 8:
    case u'\t':
    case u'\n':
    case 12:
    case u'\r':
    case u' ':
    case u'"':
    case u'(':
    case u')':
    case u',':
    case u'.':
    case u':':
    case u'[':
    case u']':
    case u'{':
    case u'}':
      return true;
    default:
      return false;
  }
}

}  // namespace json::detail
