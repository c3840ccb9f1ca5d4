#include "UserName.h"

#include <pwd.h>
#include <unistd.h>

QString LoginUserName()
{
    const passwd* entry = ::getpwuid(::geteuid());
    if (entry != nullptr && entry->pw_name != nullptr && entry->pw_name[0] != '\0')
        return QString::fromLocal8Bit(entry->pw_name);
    // Containers may run under a user id that the password file does not list.
    return qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
}
