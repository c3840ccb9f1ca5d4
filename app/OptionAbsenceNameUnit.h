#pragma once

#include "OptionInputForm.h"

#include <QStringList>

// Asks for a new name of the selected away kind.
class TOptionAbsenceNameForm : public TOptionInputForm {
    Q_OBJECT

public:
    TOptionAbsenceNameForm(QStringList slTitles, int iSelected);
    void btOkClick() override;

private:
    QStringList PrTitles;
    int PrSelected;
};
