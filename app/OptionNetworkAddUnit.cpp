#include "OptionNetworkAddUnit.h"

#include "MessageBox.h"
#include "OptionRules.h"
#include "ParvaneNetwork.h"
#include "SubUnit.h"

#include <QLineEdit>

TOptionNetworkAddForm::TOptionNetworkAddForm(QStringList slList)
    : TOptionInputForm(QStringLiteral("アドレス追加 - Parvane 2"),
                       QStringLiteral("追加するアドレスを入力してください。"),
                       QStringLiteral("追加するアドレス"), QStringLiteral("edNetworkAdd"), 281),
      Resolve(&TParvaneNetwork::DomainToIPAddress), PrList(std::move(slList))
{
    edInput->setAttribute(Qt::WA_InputMethodEnabled, false);
}

void TOptionNetworkAddForm::btOkClick()
{
    const TNetworkAddCheck check = NetworkAddCheck(edInput->text(), PrList, Resolve);
    if (check.Result == TNetworkAddCheck::Refuse) {
        Refuse(check.sText, true);
        return;
    }
    if (check.Result == TNetworkAddCheck::Ask &&
        MessageBoxShow(check.sText, ApplicationTitle,
                       MessageBox::MB_YESNO | MessageBox::MB_ICONWARNING | MessageBox::MB_DEFBUTTON2) !=
            MessageBox::IDYES) {
        edInput->setFocus();
        edInput->selectAll();
        return;
    }
    edInput->setText(check.sAddress);
    Accept();
}
