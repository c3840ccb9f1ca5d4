#include "UserName.h"

#include <pwd.h>
#include <unistd.h>

namespace {

// The name becomes part of file names; one that could name another folder is not a name.
QString UsableName(const QString& name)
{
    if (name.contains(u'/') || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return QString();
    return name;
}

} // namespace

QString LoginUserName()
{
    const passwd* entry = ::getpwuid(::geteuid());
    if (entry != nullptr && entry->pw_name != nullptr && entry->pw_name[0] != '\0')
        return UsableName(QString::fromLocal8Bit(entry->pw_name));
    // Containers may run under a user id that the password file does not list.
    return UsableName(qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME")));
}
