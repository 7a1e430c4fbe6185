#include "setuppanel.h"

#include "theme.h"
#include "ui_setuppanel.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QSignalBlocker>
#include <QWheelEvent>

using namespace Protocol;

namespace {

constexpr QLatin1String AnnounceKey("voz/anunciar");
constexpr QLatin1String ConfirmKey("voz/confirmarParadas");

// Remembered for every sport alike: the pitch is the same.
QSettings voiceSettings()
{
    return QSettings(QStringLiteral("ZENTA"), QStringLiteral("ZENTA"));
}

} // namespace

SetupPanel::SetupPanel(QWidget *parent) : FlatPanel(parent), ui(std::make_unique<Ui::SetupPanel>())
{
    ui->setupUi(this);
    for (QRadioButton *mode : {ui->FlatRadioButton1, ui->FlatRadioButton2, ui->FlatRadioButton3}) {
        connect(mode, &QRadioButton::clicked, this, &SetupPanel::chooseMode);
        mode->setMouseTracking(true);
        mode->installEventFilter(this);
    }
    setMouseTracking(true);
    installEventFilter(this);
    connect(ui->SpinEdit1, &QSpinBox::valueChanged, this, &SetupPanel::choosePeriod);
    connect(ui->ComboBoxCategoria, &QComboBox::currentIndexChanged, this,
            &SetupPanel::chooseCategory);
    connect(ui->ComboBoxSexo, &QComboBox::currentIndexChanged, this, &SetupPanel::chooseCategory);
    for (QWidget *w :
         std::initializer_list<QWidget *>{ui->SpinEdit1, ui->ComboBoxSexo, ui->ComboBoxCategoria})
        w->installEventFilter(this);
    // The period moves in steps of one only: its text takes no typing, paste, drop or menu.
    if (auto *periodText = ui->SpinEdit1->findChild<QLineEdit *>())
        periodText->setReadOnly(true);
    ui->SpinEdit1->setContextMenuPolicy(Qt::NoContextMenu);

    ui->ComboBoxSexo->setCurrentIndex(0);
    // No category is picked yet; the box still reads as the first one.
    ui->ComboBoxCategoria->setPlaceholderText(QStringLiteral("Cadete"));
    ui->ComboBoxCategoria->setCurrentIndex(-1);

    // Value boxes directly under their captions, overlapping by one pixel.
    const std::pair<QWidget *, QWidget *> boxes[] = {{ui->FlatPanel21, ui->FlatPanel15},
                                                     {ui->FlatPanel22, ui->FlatPanel23},
                                                     {ui->FlatPanel8, ui->LabelVelocidad}};
    for (const auto &[caption, box] : boxes)
        box->move(box->x(), caption->y() + caption->height() - 1);

    const QSettings settings = voiceSettings();
    ui->CheckBox_AnunciarVoz->setChecked(settings.value(AnnounceKey, false).toBool());
    ui->CheckBox_ConfirmarParadas->setChecked(settings.value(ConfirmKey, false).toBool());
    for (QCheckBox *box : {ui->CheckBox_AnunciarVoz, ui->CheckBox_ConfirmarParadas})
        connect(box, &QCheckBox::clicked, this, &SetupPanel::chooseVoice);
}

SetupPanel::~SetupPanel() = default;

void SetupPanel::setProfile(const SportProfile &profile, int periods)
{
    m_profile = &profile;
    ui->SpinEdit1->setMaximum(qMax(1, periods));
    ui->PanelConfigurar->resize(width(), ui->PanelConfigurar->height());
    applyTheme();
}

void SetupPanel::applyTheme()
{
    const Theme::SportColours colours = Theme::sportColours(*m_profile);
    setFaceColor(colours.panel);
    setBorderColor(colours.accent);
    ui->PanelConfigurar->setFaceColor(Theme::Gray);
    ui->PanelConfigurar->setTextColor(Theme::White);
    ui->PanelConfigurar->setFont(pixelFont(QStringLiteral("Arial"), 12, true));
    for (FlatPanel *caption : {ui->FlatPanel21, ui->FlatPanel22, ui->FlatPanel8}) {
        caption->setFaceColor(colours.accent);
        caption->setTextColor(Theme::White);
        caption->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    }
    for (FlatPanel *box : {ui->FlatPanel15, ui->FlatPanel23}) {
        box->setFaceColor(colours.panel);
        box->setBorderColor(colours.accent);
    }
    ui->LabelVelocidad->setFaceColor(Theme::Silver);
    ui->LabelVelocidad->setTextColor(Theme::Green);
    ui->LabelVelocidad->setBorderColor(colours.accent);
    ui->LabelVelocidad->setFont(pixelFont(QStringLiteral("Arial"), 16, true));
    const QFont modeFont = pixelFont(QStringLiteral("Arial"), 13, true);
    for (QRadioButton *mode : {ui->FlatRadioButton1, ui->FlatRadioButton2, ui->FlatRadioButton3})
        mode->setFont(modeFont);
    setModeColors(nullptr);
    QPalette cp = ui->CheckBox_Calentamiento->palette();
    cp.setColor(QPalette::WindowText, Theme::White);
    for (QCheckBox *box :
         {ui->CheckBox_Calentamiento, ui->CheckBox_AnunciarVoz, ui->CheckBox_ConfirmarParadas})
        box->setPalette(cp);
}

TestMode SetupPanel::testMode() const
{
    if (ui->FlatRadioButton2->isChecked())
        return TestMode::RepeatPeriod;
    if (ui->FlatRadioButton3->isChecked())
        return TestMode::EffortTest;
    return TestMode::FullTest;
}

QString SetupPanel::modeName() const
{
    for (const QRadioButton *mode :
         {ui->FlatRadioButton1, ui->FlatRadioButton2, ui->FlatRadioButton3}) {
        if (mode->isChecked())
            return mode->text().remove(QLatin1Char('&')).remove(QStringLiteral(" ...")).trimmed();
    }
    return QString();
}

int SetupPanel::initialPeriod() const
{
    return ui->SpinEdit1->value();
}

void SetupPanel::setInitialPeriod(int period)
{
    ui->SpinEdit1->setValue(period);
}

bool SetupPanel::warmUpTicked() const
{
    return ui->CheckBox_Calentamiento->isChecked();
}

void SetupPanel::setInputsEnabled(bool enabled)
{
    m_inputsEnabled = enabled;
    for (QWidget *input :
         std::initializer_list<QWidget *>{ui->SpinEdit1, ui->ComboBoxCategoria, ui->ComboBoxSexo})
        input->setEnabled(enabled);
}

bool SetupPanel::announcing() const
{
    return ui->CheckBox_AnunciarVoz->isEnabled() && ui->CheckBox_AnunciarVoz->isChecked();
}

bool SetupPanel::confirmingStops() const
{
    return ui->CheckBox_ConfirmarParadas->isEnabled() && ui->CheckBox_ConfirmarParadas->isChecked();
}

void SetupPanel::setSpeechProblem(const QString &problem)
{
    for (QCheckBox *box : {ui->CheckBox_AnunciarVoz, ui->CheckBox_ConfirmarParadas}) {
        box->setEnabled(problem.isEmpty());
        if (!problem.isEmpty())
            box->setToolTip(problem);
    }
    emit announcingChanged(announcing());
    emit confirmingStopsChanged(confirmingStops());
}

void SetupPanel::chooseVoice()
{
    QSettings settings = voiceSettings();
    settings.setValue(AnnounceKey, ui->CheckBox_AnunciarVoz->isChecked());
    settings.setValue(ConfirmKey, ui->CheckBox_ConfirmarParadas->isChecked());
    emit announcingChanged(announcing());
    emit confirmingStopsChanged(confirmingStops());
}

void SetupPanel::showSpeed(const QString &speedText)
{
    ui->LabelVelocidad->setText(speedText + speedUnit());
}

void SetupPanel::chooseMode()
{
    emit modeClicked();
    for (QWidget *w : std::initializer_list<QWidget *>{ui->FlatPanel22, ui->FlatPanel23,
                                                       ui->FlatPanel8, ui->LabelVelocidad})
        w->show();
    const bool repeat = ui->FlatRadioButton2->isChecked();
    if (repeat || ui->FlatRadioButton3->isChecked()) {
        // Repeating a period offers no sex, category or warm-up; the box keeps its tick.
        ui->FlatPanel15->setVisible(!repeat);
        ui->FlatPanel21->setVisible(!repeat);
        ui->CheckBox_Calentamiento->setVisible(!repeat);
        setModeColors(repeat ? ui->FlatRadioButton2 : ui->FlatRadioButton3);
    }
    emit periodChanged(ui->SpinEdit1->value());
}

void SetupPanel::choosePeriod(int value)
{
    emit periodChanged(value);
    if (!m_profile)
        return;
    const Sex sex = Sex(qMax(0, ui->ComboBoxSexo->currentIndex()));
    const int category = m_profile->categoryForPeriod(sex, value);
    if (category >= 0) {
        // Follows the period without proposing a period back.
        const QSignalBlocker blocker(ui->ComboBoxCategoria);
        ui->ComboBoxCategoria->setCurrentIndex(category);
    }
}

void SetupPanel::chooseCategory()
{
    const int category = ui->ComboBoxCategoria->currentIndex();
    if (category < 0 || !m_profile)
        return;
    const Sex sex = Sex(qMax(0, ui->ComboBoxSexo->currentIndex()));
    ui->SpinEdit1->setValue(m_profile->startPeriodFor(sex, Category(category)));
}

void SetupPanel::setModeColors(QRadioButton *accented)
{
    if (!m_profile)
        return;
    const Theme::SportColours colours = Theme::sportColours(*m_profile);
    for (QRadioButton *mode : {ui->FlatRadioButton1, ui->FlatRadioButton2, ui->FlatRadioButton3}) {
        QPalette pal = mode->palette();
        pal.setColor(QPalette::WindowText, mode == accented ? colours.accent : colours.back);
        mode->setPalette(pal);
    }
}

void SetupPanel::hoverModeButton(QRadioButton *hovered)
{
    // The highlight follows the mouse only until a mode has been picked.
    if (!ui->FlatRadioButton1->isChecked())
        return;
    setModeColors(hovered);
}

bool SetupPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == ui->FlatRadioButton2 || watched == ui->FlatRadioButton3) {
            hoverModeButton(static_cast<QRadioButton *>(watched));
        } else if (watched == this) {
            // A move over a radio button reaches the panel too, once the button ignores it.
            QWidget *under = childAt(static_cast<QMouseEvent *>(event)->position().toPoint());
            hoverModeButton(under == ui->FlatRadioButton2 || under == ui->FlatRadioButton3
                                ? static_cast<QRadioButton *>(under)
                                : nullptr);
        }
    } else if (event->type() == QEvent::KeyPress && watched == ui->SpinEdit1) {
        // Up and Down step by one; focus moves on. Page keys would jump by ten.
        const int key = static_cast<QKeyEvent *>(event)->key();
        return key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_Tab &&
               key != Qt::Key_Backtab;
    } else if (event->type() == QEvent::Wheel && watched == ui->SpinEdit1) {
        // One step per turn of the wheel, whatever the modifier (Ctrl would jump by ten).
        const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
        if (delta != 0 && m_inputsEnabled)
            ui->SpinEdit1->stepBy(delta > 0 ? 1 : -1);
        return true;
    } else if (event->type() == QEvent::KeyPress &&
               (watched == ui->ComboBoxSexo || watched == ui->ComboBoxCategoria)) {
        // Values come from the lists and the spin buttons only; typed characters are dropped.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return FlatPanel::eventFilter(watched, event);
}
