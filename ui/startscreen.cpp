#include "startscreen.h"

#include "course.h"
#include "theme.h"
#include "ui_startscreen.h"

using namespace Protocol;

namespace {

// The buttons' bottom edge, in window pixels.
constexpr int ButtonsBottom = 558 - 12;

} // namespace

StartScreen::StartScreen(QWidget *parent)
    : FlatPanel(parent), ui(std::make_unique<Ui::StartScreen>())
{
    ui->setupUi(this);
    setFaceColor(Theme::Silver);
    ui->LabelEffect3->setFont(pixelFont(QStringLiteral("Arial Black"), 49, false, true));
    ui->LabelEffect3->setEffect(EffectLabel::Effect::Shadow);
    ui->LabelEffect3->setTextColor(Theme::Silver);
    ui->LabelEffect3->setShadowColor(Theme::Gray);
    ui->LabelEffect4->setFont(pixelFont(QStringLiteral("Arial"), 19, false, true));
    ui->LabelEffect4->setEffect(EffectLabel::Effect::Sunken);
    ui->LabelEffect4->setTextColor(Theme::Maroon);
    ui->LabelEffect4->setHighlightColor(Theme::White);
    ui->LabelEffect4->setShadowColor(QColor(0x40, 0x40, 0x40));
    for (FlatButton *button : {ui->BitBtnEmpezar, ui->Acercade}) {
        button->setFaceColor(Theme::White);
        button->setHoverColor(Theme::StartButtonHover);
        button->setPressedColor(Theme::StartButtonPressed);
        button->setBorderColor(Theme::StartButtonBorder);
        button->setTextColor(Theme::Gray);
        button->setIconSize(QSize(32, 32));
    }
    ui->BitBtnEmpezar->setFont(pixelFont(QStringLiteral("Arial"), 19, true, true));
    ui->BitBtnEmpezar->setIcon(resourceGlyph(QStringLiteral("empezar")));
    ui->Acercade->setIcon(resourceGlyph(QStringLiteral("acercade")));
    connect(ui->BitBtnEmpezar, &QPushButton::clicked, this, &StartScreen::uncoverWorkScreen);
    connect(ui->Acercade, &QPushButton::clicked, this, &StartScreen::aboutRequested);
}

StartScreen::~StartScreen() = default;

void StartScreen::setProfile(const SportProfile &profile)
{
    ui->ImagePpal->setPixmap(
        QPixmap(QStringLiteral(":/pictures/main_%1.jpg").arg(courseResourceStem(profile.variant))));
    ui->LabelEffect3->setText(QLatin1Char(' ') + profile.programTitle + QLatin1Char(' '));
    ui->LabelEffect4->setText(QStringLiteral("Orvelan en ") + profile.sportName);

    if (parentWidget())
        setGeometry(parentWidget()->rect());
    ui->ImagePpal->setGeometry(rect());
    const int middle = width() / 2;
    ui->LabelEffect3->move(middle - ui->LabelEffect3->width() / 2, ui->LabelEffect3->y());
    ui->LabelEffect4->move(middle - ui->LabelEffect4->width() / 2, ui->LabelEffect4->y());
    ui->BitBtnEmpezar->move(middle - (ui->BitBtnEmpezar->width() + ui->Acercade->width()) / 2 +
                                ui->Acercade->width(),
                            ButtonsBottom - ui->BitBtnEmpezar->height());
    ui->Acercade->move(ui->BitBtnEmpezar->x() - ui->Acercade->width(), ui->BitBtnEmpezar->y());
    raise();
}

void StartScreen::uncoverWorkScreen()
{
    hide();
}
