#pragma once

// The records of the peer protocol: a keyword and fields joined by "&|". The
// keywords and the helpers that write and read fields live here once, for the
// dispatch, presence, chat and the addressed records alike.
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>

namespace ProtocolRecords {

inline const QString kLogin = QStringLiteral("PVMESSAGE:LOGIN");
inline const QString kLoginOk = QStringLiteral("PVMESSAGE:LOGIN_OK");
inline const QString kInfoChange = QStringLiteral("PVMESSAGE:INFO_CHANGE");
inline const QString kLogout = QStringLiteral("PVMESSAGE:LOGOUT");
inline const QString kOpenCheck = QStringLiteral("PVMESSAGE:OPEN_CHECK");
inline const QString kHuzaiCheck = QStringLiteral("PVMESSAGE:HUZAI_CHECK");
inline const QString kHuzaiMessage = QStringLiteral("PVMESSAGE:HUZAI_MESSAGE");
inline const QString kMenuCheck = QStringLiteral("PVMESSAGE:MENU_CHECK");
inline const QString kMenuNothing = QStringLiteral("PVMESSAGE:MENU_NOTHING");
inline const QString kMessage = QStringLiteral("PVMESSAGE:MESSAGE");
inline const QString kMessageOk = QStringLiteral("PVMESSAGE:MESSAGE_OK");
inline const QString kInputSelect = QStringLiteral("PVMESSAGE:INPUT_SELECT");
inline const QString kInputLine = QStringLiteral("PVMESSAGE:INPUT_LINE");
inline const QString kInputText = QStringLiteral("PVMESSAGE:INPUT_TEXT");
inline const QString kInputReturn = QStringLiteral("PVMESSAGE:INPUT_RETURN");
inline const QString kInputMessage = QStringLiteral("PVMESSAGE:INPUT_MESSAGE");
inline const QString kChatMessage = QStringLiteral("PVMESSAGE:CHAT_MESSAGE");

// Ends every address of an address list field.
inline const QString kLineBreak = QStringLiteral("\r\n");

// A Boolean field: "1" or "0".
QString Flag(bool b);

// The fields joined by the field separator.
QString Join(std::initializer_list<QString> fields);

// Reads field n of one record (0 is its keyword); a missing field is empty.
class RecordFields {
public:
    explicit RecordFields(const QString& record) : FRecord(record) {}
    QString operator()(int n) const;

private:
    const QString& FRecord;
};

// A decimal integer of 32 bits, optionally signed, and nothing else.
std::optional<int> StrictInteger(const QString& text);

// A field read as an integer; anything that is not one counts as 0.
int LooseInteger(const QString& text);

// The lines of a list's text form: CR LF, LF or CR end a line; the last break adds no line.
QStringList TextLines(const QString& text);

} // namespace ProtocolRecords
