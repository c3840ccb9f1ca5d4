#include "OptionAbsenceNameUnit.h"

#include "OptionRules.h"

#include <QLineEdit>

TOptionAbsenceNameForm::TOptionAbsenceNameForm(QStringList slTitles, int iSelected)
    : TOptionInputForm(QStringLiteral("不在種類名変更 - Parvane 2"),
                       QStringLiteral("新しい種類名を入力してください。"), QStringLiteral("新しい種類名"),
                       QStringLiteral("edAbsenceName"), 308),
      PrTitles(std::move(slTitles)), PrSelected(iSelected)
{
}

void TOptionAbsenceNameForm::btOkClick()
{
    if (const auto refusal = AbsenceNameCheck(edInput->text(), PrTitles, PrSelected)) {
        Refuse(*refusal, false);
        return;
    }
    Accept();
}
