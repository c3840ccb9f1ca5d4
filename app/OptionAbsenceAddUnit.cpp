#include "OptionAbsenceAddUnit.h"

#include "OptionRules.h"

#include <QLineEdit>

TOptionAbsenceAddForm::TOptionAbsenceAddForm(QStringList slTitles)
    : TOptionInputForm(QStringLiteral("不在種類名追加 - Parvane 2"),
                       QStringLiteral("追加する不在の種類名を入力してください。"),
                       QStringLiteral("追加する種類名"), QStringLiteral("edAbsenceAdd"), 311),
      PrTitles(std::move(slTitles))
{
}

void TOptionAbsenceAddForm::btOkClick()
{
    if (const auto refusal = AbsenceAddCheck(edInput->text(), PrTitles)) {
        Refuse(*refusal, false);
        return;
    }
    Accept();
}
