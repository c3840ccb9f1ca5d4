#include "TestNames.h"

#include <QList>

namespace TestSupport {

namespace {

const char* PunctuationName(char32_t c)
{
    switch (c) {
    case '.':
        return "Dot";
    case '/':
        return "Slash";
    case '\\':
        return "Backslash";
    case '&':
        return "Amp";
    case '|':
        return "Bar";
    case '\r':
        return "Cr";
    case '\n':
        return "Lf";
    case '\t':
        return "Tab";
    case ' ':
        return "Space";
    case '-':
        return "Minus";
    case '+':
        return "Plus";
    case '$':
        return "Dollar";
    case '"':
        return "Quote";
    case ':':
        return "Colon";
    case '_':
        return "_";
    default:
        return nullptr;
    }
}

} // namespace

std::string ReadableName(const QString& text)
{
    if (text.isEmpty())
        return "Empty";
    std::string name;
    for (const char32_t c : text.toUcs4()) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            name += static_cast<char>(c);
        else if (const char* spelt = PunctuationName(c))
            name += spelt;
        else
            name += "U" + QString::number(static_cast<uint>(c), 16).toUpper().toStdString();
    }
    return name;
}

} // namespace TestSupport
