#include "gui/dialogs/AboutDialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorla {

AboutDialog::AboutDialog(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/vorla.png")).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* description =
        new QLabel(tr("Vorla는 GIF 애니메이션 제작 프로그램입니다.") + QLatin1Char(' ') +
                       tr("장소나 용도의 제한 없이 누구든지 사용할 수 있습니다."),
                   this);
    description->setObjectName("description");
    description->setWordWrap(true);
    auto* notice = new QLabel(tr("© Vorla 개발자"), this);
    notice->setObjectName("notice");

    auto* okButton = new QPushButton(tr("확인"), this);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(description);
    texts->addWidget(notice);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setFixedWidth(380);
}

}  // namespace vorla
