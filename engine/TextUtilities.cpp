// The text, scrambling and address routines of TParvaneNetwork.
#include "AnsiCodePage.h"
#include "ParvaneNetwork.h"
#include "SystemClock.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <sys/utsname.h>

namespace {

// Windows computer names hold at most 15 characters.
constexpr int kMaxMachineNameLength = 15;
// Scrambling offsets lie in 50..199.
constexpr int kScrambleOffsetBase = 50;
constexpr int kScrambleOffsetRange = 150;

char HexDigit(int v)
{
    return "0123456789ABCDEF"[v & 0xF];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// One part of an address as inet_addr reads it: "0x" hexadecimal, a leading 0 octal, else decimal.
std::optional<std::uint64_t> ParseAddressPart(QStringView part)
{
    if (part.isEmpty())
        return std::nullopt;
    int base = 10;
    qsizetype start = 0;
    if (part.size() >= 2 && part[0] == u'0' && (part[1] == u'x' || part[1] == u'X')) {
        base = 16;
        start = 2;
        if (part.size() == 2)
            return std::nullopt;
    } else if (part[0] == u'0') {
        base = 8;
    }
    std::uint64_t value = 0;
    for (qsizetype i = start; i < part.size(); ++i) {
        char16_t c = part[i].unicode();
        int digit = c < 0x80 ? HexValue(static_cast<char>(c)) : -1;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return value;
}

// inet_addr's one- to four-part forms; nothing before or after the number is allowed.
std::optional<std::uint32_t> ParseInetAddr(const QString& text)
{
    const QList<QStringView> parts = QStringView(text).split(u'.');
    if (parts.isEmpty() || parts.size() > 4)
        return std::nullopt;
    std::uint64_t values[4] = {};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        auto value = ParseAddressPart(parts[i]);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    const qsizetype n = parts.size();
    // Every part but the last is one byte; the last fills the bytes that remain.
    for (qsizetype i = 0; i + 1 < n; ++i) {
        if (values[i] > 0xFF)
            return std::nullopt;
    }
    const int lastBits = 8 * static_cast<int>(4 - (n - 1));
    if (lastBits < 32 && values[n - 1] >= (1ull << lastBits))
        return std::nullopt;
    std::uint64_t address = 0;
    for (qsizetype i = 0; i + 1 < n; ++i)
        address |= values[i] << (24 - 8 * i);
    address |= values[n - 1];
    return static_cast<std::uint32_t>(address);
}

QString DottedForm(std::uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg((address >> 24) & 0xFF)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

} // namespace

QString TParvaneNetwork::StringSplitCustom(const QString& sKugiri, const QString& sMessage,
                                           std::uint8_t bLocation)
{
    if (sKugiri.isEmpty())
        return bLocation == 0 ? sMessage : QString();
    qsizetype start = 0;
    for (int field = 0; field < bLocation; ++field) {
        qsizetype next = sMessage.indexOf(sKugiri, start);
        if (next < 0)
            return QString();
        start = next + sKugiri.size();
    }
    qsizetype end = sMessage.indexOf(sKugiri, start);
    return end < 0 ? sMessage.mid(start) : sMessage.mid(start, end - start);
}

QString TParvaneNetwork::StringSplit(const QString& sMessage, std::uint8_t bLocation)
{
    return StringSplitCustom(FieldSeparator, sMessage, bLocation);
}

QString TParvaneNetwork::ForbiddenSequenceIn(const QString& sText)
{
    for (const QString& sequence : ForbiddenSequences)
        if (sText.contains(sequence))
            return sequence;
    return QString();
}

void TParvaneNetwork::StringReplacement(const QString& sBeforeString, const QString& sAfterString,
                                        QString& sTargetString)
{
    if (sBeforeString.isEmpty())
        return;
    sTargetString.replace(sBeforeString, sAfterString, Qt::CaseSensitive);
}

// The scrambled form: the offset k (50..199) as two upper-case hexadecimal digits, then (b + k)
// modulo 256 of every byte b the same way. Datagrams scramble their bytes with it too.
QByteArray TParvaneNetwork::BytesToPassword(const QByteArray& bytes)
{
    const int k = kScrambleOffsetBase + SystemClock::Random(kScrambleOffsetRange);
    QByteArray out;
    out.reserve(2 + 2 * bytes.size());
    out.append(HexDigit(k >> 4)).append(HexDigit(k));
    for (char b : bytes) {
        const int v = (static_cast<unsigned char>(b) + k) & 0xFF;
        out.append(HexDigit(v >> 4)).append(HexDigit(v));
    }
    return out;
}

// Empty for every malformed form: 3 bytes or fewer, an odd length, a pair that is not hexadecimal.
QByteArray TParvaneNetwork::PasswordToBytes(const QByteArray& password)
{
    if (password.size() <= 3 || password.size() % 2 != 0)
        return QByteArray();
    auto pairAt = [&password](qsizetype i) {
        const int hi = HexValue(password[i]);
        const int lo = HexValue(password[i + 1]);
        return (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
    };
    const int k = pairAt(0);
    if (k < 0)
        return QByteArray();
    QByteArray bytes;
    bytes.reserve(password.size() / 2 - 1);
    for (qsizetype i = 2; i < password.size(); i += 2) {
        const int v = pairAt(i);
        if (v < 0)
            return QByteArray();
        bytes.append(static_cast<char>((v - k) & 0xFF));
    }
    return bytes;
}

QString TParvaneNetwork::StringToPassword(const QString& sData)
{
    return QString::fromLatin1(BytesToPassword(AnsiCodePage::Encode(sData)));
}

QString TParvaneNetwork::PasswordToString(const QString& sPassword)
{
    return AnsiCodePage::Decode(PasswordToBytes(AnsiCodePage::Encode(sPassword)));
}

QString TParvaneNetwork::DomainToIPAddress(const QString& sDomain)
{
    const QByteArray name = AnsiCodePage::Encode(sDomain);
    if (name.isEmpty())
        return QString();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(name.constData(), nullptr, &hints, &result) != 0 || result == nullptr)
        return QString();
    const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    const QString text = DottedForm(ntohl(address->sin_addr.s_addr));
    freeaddrinfo(result);
    return text;
}

bool TParvaneNetwork::IPAddressCheck(QString& sIPAddress)
{
    auto address = ParseInetAddr(sIPAddress);
    // inet_addr's error value is also the value of 255.255.255.255.
    if (!address || *address == 0xFFFFFFFFu)
        return false;
    sIPAddress = DottedForm(*address);
    return true;
}

QString TParvaneNetwork::GetLocalMachineName()
{
    utsname name{};
    if (uname(&name) != 0)
        return QString();
    return QString::fromLocal8Bit(name.nodename).left(kMaxMachineNameLength);
}

void TParvaneNetwork::GetLocalIPAddress(QStringList& slAddress)
{
    slAddress.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(entry->ifa_flags & IFF_UP) || (entry->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        slAddress.append(DottedForm(ntohl(address->sin_addr.s_addr)));
    }
    freeifaddrs(list);
}
