#pragma once

// Names for the cases of parameterised suites, so that CTest names say what a
// case is and stay the same from build to build (no printed bytes, no bare index).
#include <QString>
#include <string>

namespace TestSupport {

// A test name spelt from a case's text: ASCII letters and digits stay, common
// punctuation is spelt out ("." Dot, "/" Slash, " " Space, CR Cr ...), any other
// character is "U" and its code in hexadecimal; an empty text is "Empty".
std::string ReadableName(const QString& text);

} // namespace TestSupport
