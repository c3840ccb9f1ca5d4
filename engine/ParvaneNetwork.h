#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

// The protocol engine: speaks the peer protocol over UDP and TCP, keeps the
// table of peers and reports everything through its events.
class TParvaneNetwork : public QObject {
    Q_OBJECT

public:
    explicit TParvaneNetwork(QObject* parent = nullptr);
    ~TParvaneNetwork() override;

    // The separator of the fields of every record and of the application's joined lists.
    static inline const QString FieldSeparator = QStringLiteral("&|");

    // Text utilities shared by the engine and the application; none depends on the engine's state.
    static QString StringSplit(const QString& sMessage, std::uint8_t bLocation);
    static QString StringSplitCustom(const QString& sKugiri, const QString& sMessage, std::uint8_t bLocation);
    static void StringReplacement(const QString& sBeforeString, const QString& sAfterString,
                                  QString& sTargetString);
    static QString StringToPassword(const QString& sData);
    static QString PasswordToString(const QString& sPassword);
    static QString DomainToIPAddress(const QString& sDomain);
    static bool IPAddressCheck(QString& sIPAddress);

private:
    friend class TParvaneNetworkTestAccess;

    static QString GetLocalMachineName();
    static void GetLocalIPAddress(QStringList& slAddress);
};
