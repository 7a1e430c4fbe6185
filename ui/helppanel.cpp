#include "helppanel.h"

#include "course.h"
#include "theme.h"
#include "ui_helppanel.h"
#include "widgets.h"

#include <QFile>

using namespace Protocol;

HelpPanel::HelpPanel(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::HelpPanel>())
{
    ui->setupUi(this);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Theme::White);
    white.setColor(QPalette::Base, Theme::White);
    setPalette(white);
    ui->BitBtn3->setFaceColor(Theme::HelpCloseFace);
    ui->BitBtn3->setHoverColor(QColor(0xEE, 0xEE, 0xEE));
    ui->BitBtn3->setPressedColor(QColor(0xC8, 0xC8, 0xC8));
    ui->BitBtn3->setBorderColor(Theme::HelpCloseBorder);
    ui->BitBtn3->setTextColor(Theme::Black);
    ui->BitBtn3->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 12));
    ui->BitBtn3->setIcon(resourceGlyph(QStringLiteral("cerrar")));
    ui->BitBtn3->setIconSize(QSize(16, 16));
    connect(ui->BitBtn3, &QPushButton::clicked, this, &HelpPanel::closePanel);
}

HelpPanel::~HelpPanel() = default;

void HelpPanel::open(const SportProfile &profile)
{
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    show();
    QLabel *pictures[] = {ui->ImageHlp_Futbol, ui->ImageHlp_Basket, ui->ImageHlp_FutSal,
                          ui->ImageHlp_Voley};
    const int top = height() / 2 - ui->ImageHlp_Voley->height() / 2;
    for (QLabel *picture : pictures)
        picture->move(picture->x(), top);
    ui->Memo1->setGeometry(ui->ImageHlp_Voley->x() + ui->ImageHlp_Voley->width() + 20,
                           ui->Memo1->y(), 0, height() - ui->BitBtn3->height() - 40);
    ui->Memo1->resize(width() - ui->Memo1->x() - 15, ui->Memo1->height());
    ui->BitBtn3->move(width() / 2 - ui->BitBtn3->width() / 2,
                      height() - ui->BitBtn3->height() - 20);

    const QString stem = courseResourceStem(profile.variant);
    QLabel *picture = pictures[int(profile.course)];
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/help_%1.png").arg(stem)));
    picture->raise();
    picture->show();
    // Reloaded at every opening: whatever was typed into the box is gone.
    QFile text(QStringLiteral(":/text/help_%1.txt").arg(stem));
    ui->Memo1->setPlainText(text.open(QIODevice::ReadOnly) ? QString::fromUtf8(text.readAll())
                                                           : QString());
    raise();
}

void HelpPanel::closePanel()
{
    hide();
}
