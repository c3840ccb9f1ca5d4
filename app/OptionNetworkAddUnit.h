#pragma once

#include "OptionInputForm.h"

#include <QStringList>
#include <functional>

// Asks for an extra address: an IPv4 address (kept in dotted form) or a host name.
class TOptionNetworkAddForm : public TOptionInputForm {
    Q_OBJECT

public:
    // slList: the addresses listed in the options window.
    explicit TOptionNetworkAddForm(QStringList slList);
    void btOkClick() override;

    // The name's address, empty when it has none; the engine's resolver unless a test sets another.
    std::function<QString(const QString&)> Resolve;

private:
    QStringList PrList;
};
