#include "OptionInputForm.h"

#include "MessageBox.h"
#include "SubUnit.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kDesignClientHeight = 83;
}

TOptionInputForm::TOptionInputForm(const QString& sCaption, const QString& sPrompt, const QString& sField,
                                   const QString& sEditName, int iClientWidth)
{
    setWindowTitle(sCaption);
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (CustomizeShowTopMost)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    laAbsence1 = new QLabel(sPrompt, this);
    laAbsence1->setObjectName(QStringLiteral("laAbsence1"));
    laProfile2 = new QLabel(sField, this);
    laProfile2->setObjectName(QStringLiteral("laProfile2"));
    edInput = new QLineEdit(this);
    edInput->setObjectName(sEditName);
    laProfile2->setBuddy(edInput);
    btOk = new QPushButton(QStringLiteral("OK(&O)"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    btOk->setAutoDefault(false);
    btCancel->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addWidget(laAbsence1);
    auto* row = new QHBoxLayout;
    row->addWidget(laProfile2);
    row->addWidget(edInput, 1);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    layout->addLayout(buttons);
    setTabOrder(edInput, btOk);
    setTabOrder(btOk, btCancel);

    connect(btOk, &QPushButton::clicked, this, [this] { btOkClick(); });
    connect(btCancel, &QPushButton::clicked, this, &TOptionInputForm::btCancelClick);
    connect(edInput, &QLineEdit::returnPressed, this, [this] { btOkClick(); });

    // Drawn for this size in the windows' font; the border is fixed (SystemMenuTrim).
    resize(iClientWidth, kDesignClientHeight);
    SystemMenuTrim(this);
    edInput->setFocus();
}

void TOptionInputForm::btCancelClick()
{
    PrOkFlag = false;
    reject();
}

QString TOptionInputForm::Text() const
{
    return edInput->text();
}

void TOptionInputForm::RunWithLoop()
{
    show();
    WindowForeground(this);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    if (isVisible())
        loop.exec();
}

void TOptionInputForm::Refuse(const QString& sText, bool bSelect)
{
    edInput->setFocus();
    if (bSelect)
        edInput->selectAll();
    MessageBoxShow(sText, ApplicationTitle, MessageBox::MB_ICONWARNING);
}

void TOptionInputForm::Accept()
{
    PrOkFlag = true;
    accept();
}
