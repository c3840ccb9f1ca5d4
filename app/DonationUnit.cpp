#include "DonationUnit.h"

#include "WebServer.h"

TDonationForm::TDonationForm()
    : TWebPageForm({TWindowKind::Donation, QStringLiteral("寄付について - Parvane 2"),
                    QStringLiteral("寄付について"), QSize(516, 335), WebServer::DonationPath,
                    QStringLiteral("アクセスしています...")})
{
}

void DonationFormShow()
{
    SingleFormShow(DonationForm);
}

void DonationFormRelease()
{
    delete DonationForm;
}
