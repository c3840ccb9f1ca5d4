#pragma once

// What a window's one-line header shows of a long peer name.
#include "AnsiCodePage.h"

#include <QString>
#include <gtest/gtest.h>

namespace TestSupport {

// The header is sLead, then the start of sName cut between whole characters and
// ended with "…", then ")": short enough for the window to show it all.
inline testing::AssertionResult HeaderEndsInACutName(const QString& sHeader, const QString& sLead,
                                                     const QString& sName)
{
    const QString sEnd = QStringLiteral("…)");
    if (!sHeader.startsWith(sLead) || !sHeader.endsWith(sEnd))
        return testing::AssertionFailure() << "header \"" << sHeader.left(200).toStdString() << "\"";
    const QString sShown = sHeader.mid(sLead.size(), sHeader.size() - sLead.size() - sEnd.size());
    if (sShown.isEmpty() || !sName.startsWith(sShown))
        return testing::AssertionFailure() << "the name shows as \"" << sShown.toStdString() << "\"";
    if (AnsiCodePage::ByteLength(sShown) > 64)
        return testing::AssertionFailure()
               << "the name keeps " << AnsiCodePage::ByteLength(sShown) << " bytes";
    return testing::AssertionSuccess();
}

} // namespace TestSupport
