#include "testfut1.h"

#include "clock.h"
#include "course.h"
#include "courseview.h"
#include "cuesink.h"
#include "dialogs.h"
#include "exportfile.h"
#include "resultsgrid.h"
#include "ui_testfut1.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace {

QColor rgb(quint32 value)
{
    return QColor::fromRgb(QRgb(value));
}

// Phase indicator glyphs: a runner's "go" triangle for effort, two bars for a pause.
QPixmap phaseGlyph(bool effort, qreal dpr)
{
    const QSize size(24, 24);
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.2));
    if (effort) {
        p.setBrush(QColor(0x1F, 0xB0, 0x3A));
        p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(21, 12), QPointF(6, 21)}));
    } else {
        p.setBrush(QColor(0xE0, 0x30, 0x20));
        p.drawRoundedRect(QRectF(5, 4, 5, 16), 1.5, 1.5);
        p.drawRoundedRect(QRectF(14, 4, 5, 16), 1.5, 1.5);
    }
    return pixmap;
}

// Stop button glyph: a small red disc, greyed while disabled.
QIcon athleteStopGlyph(qreal dpr)
{
    QPixmap pixmap(QSize(8, 8) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x60, 0, 0), 0.8));
    p.setBrush(QColor(0xE0, 0x20, 0x20));
    p.drawEllipse(QRectF(0.5, 0.5, 7, 7));
    return QIcon(pixmap);
}

void enableAll(std::initializer_list<QWidget *> widgets, bool enabled)
{
    for (QWidget *w : widgets)
        w->setEnabled(enabled);
}

} // namespace

TForm1::TForm1(SportVariant variant, const Clock &clock, CueSink *sound, Dialogs *dialogs,
               QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), m_profile(sportProfile(variant)),
      m_clock(clock), m_sound(sound), m_dialogs(dialogs), m_driver(m_profile, clock),
      m_engine(m_driver.engine()), m_results(m_profile)
{
    ui->setupUi(this);
    connect(&m_driver, &EngineDriver::displaysChanged, this, &TForm1::displaysChanged);
    connect(&m_driver, &EngineDriver::activateAthletes, this, &TForm1::activateAthletes);
    FormCreate();
}

TForm1::~TForm1() = default;

QString TForm1::getProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

TestMode TForm1::testMode() const
{
    if (ui->FlatRadioButton2->isChecked())
        return TestMode::RepeatPeriod;
    if (ui->FlatRadioButton3->isChecked())
        return TestMode::EffortTest;
    return TestMode::FullTest;
}

void TForm1::FormCreate()
{
    m_programFolder = getProgramFolder();
    // A read-only location is no reason not to open; the export reports its own failure.
    QDir().mkpath(m_programFolder + QStringLiteral("Export"));

    applySportProfile();
    applyTheme();
    layoutWindow();
    layoutAthletesPanel();

    connect(ui->BitBtnNuevo, &QPushButton::clicked, this, &TForm1::BitBtnNuevoClick);
    connect(ui->BitBtnStart, &QPushButton::clicked, this, &TForm1::BitBtnStartClick);
    connect(ui->BitBtnStop, &QPushButton::clicked, this, &TForm1::BitBtnStopClick);
    connect(ui->BitBtnSalir, &QPushButton::clicked, this, &TForm1::BitBtnSalirClick);
    connect(ui->BitBtnEmpezar, &QPushButton::clicked, this, &TForm1::BitBtnEmpezarClick);
    connect(ui->BitBtnAyuda, &QPushButton::clicked, this, &TForm1::BitBtnAyudaClick);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(ui->BitBtnGrupo, &QPushButton::clicked, this, &TForm1::BitBtnGrupoClick);
    connect(ui->Acercade, &QPushButton::clicked, this, &TForm1::AcercadeClick);
    connect(ui->BtnExportDatos, &QPushButton::clicked, this, &TForm1::BtnExportDatosClick);
    connect(ui->BtnBorrarTabla, &QPushButton::clicked, this, &TForm1::BtnBorrarTablaClick);

    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("PopupMenu_HG"));
    m_reactivate = m_popupMenu->addAction(QStringLiteral("Volver a activar..."));
    m_reactivate->setObjectName(QStringLiteral("Volveraactivar1"));
    m_reactivate->setIcon(resourceGlyph(QStringLiteral("reactivar")));
    connect(m_reactivate, &QAction::triggered, this, &TForm1::Volveraactivar1Click);
    ui->HyperGrid_Sujetos->setContextMenuPolicy(Qt::CustomContextMenu);
    // A right click opens the menu for the selected row; it must not move the selection.
    ui->HyperGrid_Sujetos->viewport()->installEventFilter(this);
    connect(ui->HyperGrid_Sujetos, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) {
                PopupMenu_HGPopup();
                m_popupMenu->popup(ui->HyperGrid_Sujetos->viewport()->mapToGlobal(pos));
            });

    for (QRadioButton *mode : {ui->FlatRadioButton1, ui->FlatRadioButton2, ui->FlatRadioButton3}) {
        connect(mode, &QRadioButton::clicked, this, &TForm1::FlatRadioButton1Click);
        mode->setMouseTracking(true);
        mode->installEventFilter(this);
    }
    ui->PanelTipo->setMouseTracking(true);
    ui->PanelTipo->installEventFilter(this);
    connect(ui->SpinEdit1, &QSpinBox::valueChanged, this, &TForm1::SpinEdit1Change);
    connect(ui->ComboBoxCategoria, &QComboBox::currentIndexChanged, this,
            &TForm1::ComboBoxCategoriaChange);
    connect(ui->ComboBoxSexo, &QComboBox::currentIndexChanged, this,
            &TForm1::ComboBoxCategoriaChange);
    for (QWidget *w :
         std::initializer_list<QWidget *>{ui->SpinEdit1, ui->ComboBoxSexo, ui->ComboBoxCategoria})
        w->installEventFilter(this);

    ui->ComboBoxSexo->setCurrentIndex(0);
    // No category is picked yet; the box still reads as the first one.
    ui->ComboBoxCategoria->setPlaceholderText(QStringLiteral("Cadete"));
    ui->ComboBoxCategoria->setCurrentIndex(-1);

    displaysChanged();
}

void TForm1::applySportProfile()
{
    QCoreApplication::setApplicationName(m_profile.programTitle);
    setWindowTitle(m_profile.programTitle + QStringLiteral(": Orvelan en ") + m_profile.sportName);
    setWindowIcon(QIcon(QStringLiteral(":/icons/zenta.png")));

    CourseView *panels[] = {ui->Panel_Futbol, ui->Panel_Basket, ui->Panel_FutSal, ui->Panel_Voley};
    m_course = panels[int(courseOf(m_profile.variant))];
    for (CourseView *panel : panels) {
        if (panel != m_course)
            panel->hide();
    }
    m_course->setSport(m_profile.variant);

    ui->ImagePpal->setPixmap(QPixmap(
        QStringLiteral(":/pictures/main_%1.jpg").arg(courseResourceStem(m_profile.variant))));
    ui->LabelEffect3->setText(QLatin1Char(' ') + m_profile.programTitle + QLatin1Char(' '));
    ui->LabelEffect4->setText(QStringLiteral("Orvelan en ") + m_profile.sportName);
    m_course->raise();
    m_course->show();

    ui->SpinEdit1->setMaximum(qMax(1, int(m_engine.workingTable().size())));

    // Developer aid: every table in view, the working one editable while a test runs.
    const std::pair<QPlainTextEdit *, SportVariant> sources[] = {
        {ui->MemoPeriodoN_FUTBOL_PROBST, SportVariant::Probst},
        {ui->MemoPeriodoN_FUTBOL, SportVariant::Futbol},
        {ui->MemoPeriodoN_BASKET, SportVariant::Basket},
        {ui->MemoPeriodoN_FS, SportVariant::FutSal},
        {ui->MemoPeriodoN_VOLEY, SportVariant::Voley}};
    for (const auto &[memo, variant] : sources)
        memo->setPlainText(periodTableLines(sportProfile(variant)).join(QLatin1Char('\n')));
    ui->MemoPeriodoN->setPlainText(m_engine.workingTable().join(QLatin1Char('\n')));
    connect(ui->MemoPeriodoN, &QPlainTextEdit::textChanged, this, [this] {
        m_driver.setWorkingTable(ui->MemoPeriodoN->toPlainText().split(QLatin1Char('\n')));
    });

    ui->HyperGrid_Sujetos->setModel(&m_results);
    ui->HyperGrid_Sujetos->applyColumnWidths(m_profile.hasVo2Max());
    connect(ui->HyperGrid_Sujetos, &QAbstractItemView::clicked, this,
            &TForm1::HyperGrid_SujetosClick);
    connect(ui->HyperGrid_Sujetos, &QAbstractItemView::doubleClicked, this,
            &TForm1::HyperGrid_SujetosDblClick);

    m_stopButtons = {ui->B01, ui->B02, ui->B03, ui->B04, ui->B05, ui->B06, ui->B07,
                     ui->B08, ui->B09, ui->B10, ui->B11, ui->B12, ui->B13, ui->B14};
    for (int k = 1; k <= m_stopButtons.size(); ++k) {
        FlatButton *button = m_stopButtons.at(k - 1);
        button->setProperty("tag", k);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, &TForm1::B01Click);
    }
}

void TForm1::applyTheme()
{
    const QColor back = rgb(m_profile.themeBackColor);
    const QColor panel = rgb(m_profile.themePanelColor);
    const QColor accent = rgb(m_profile.themeAccentColor);

    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, back);
    setPalette(pal);

    const QFont toolbarFont = pixelFont(QStringLiteral("Arial"), 15);
    const std::pair<FlatButton *, const char *> toolbar[] = {
        {ui->BitBtnSalir, "salir"}, {ui->BitBtnNuevo, "nuevo"}, {ui->BitBtnStart, "start"},
        {ui->BitBtnStop, "stop"},   {ui->BitBtnAyuda, "ayuda"}, {ui->BitBtnGrupo, "grupo"}};
    for (const auto &[button, glyph] : toolbar) {
        button->setFaceColor(panel);
        button->setHoverColor(accent);
        button->setPressedColor(back);
        button->setFont(toolbarFont);
        button->setIcon(resourceGlyph(QString::fromLatin1(glyph)));
        button->setIconSize(QSize(22, 22));
    }

    // Start screen: the sport's picture under its title, the two buttons centred below.
    ui->PanelInicio->setFaceColor(QColor(0xC0, 0xC0, 0xC0));
    ui->LabelEffect3->setFont(pixelFont(QStringLiteral("Arial Black"), 49, true, true));
    ui->LabelEffect3->setEffect(EffectLabel::Effect::Shadow);
    ui->LabelEffect3->setTextColor(QColor(0xC0, 0xC0, 0xC0));
    ui->LabelEffect3->setShadowColor(QColor(0x80, 0x80, 0x80));
    ui->LabelEffect4->setFont(pixelFont(QStringLiteral("Arial"), 19, false, true));
    ui->LabelEffect4->setEffect(EffectLabel::Effect::Sunken);
    ui->LabelEffect4->setTextColor(QColor(0x80, 0, 0));
    ui->LabelEffect4->setHighlightColor(Qt::white);
    ui->LabelEffect4->setShadowColor(QColor(0x40, 0x40, 0x40));
    for (FlatButton *button : {ui->BitBtnEmpezar, ui->Acercade}) {
        button->setFaceColor(Qt::white);
        button->setHoverColor(QColor(0xFF, 0xF4, 0xE0));
        button->setPressedColor(QColor(0xF0, 0x98, 0x13));
        button->setBorderColor(QColor(0xB9, 0xB9, 0xB9));
        button->setTextColor(QColor(0x80, 0x80, 0x80));
        button->setIconSize(QSize(32, 32));
    }
    ui->BitBtnEmpezar->setFont(pixelFont(QStringLiteral("Arial"), 19, true, true));
    ui->BitBtnEmpezar->setIcon(resourceGlyph(QStringLiteral("empezar")));
    ui->Acercade->setIcon(resourceGlyph(QStringLiteral("acercade")));

    // Help panel.
    ui->ScrollBox1->setAutoFillBackground(true);
    QPalette white = ui->ScrollBox1->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    ui->ScrollBox1->setPalette(white);
    ui->Memo1->setFont(pixelFont(QStringLiteral("Arial"), 14));
    ui->BitBtn3->setFaceColor(rgb(fromBgr(14540253)));
    ui->BitBtn3->setHoverColor(QColor(0xEE, 0xEE, 0xEE));
    ui->BitBtn3->setPressedColor(QColor(0xC8, 0xC8, 0xC8));
    ui->BitBtn3->setBorderColor(rgb(fromBgr(11184810)));
    ui->BitBtn3->setTextColor(Qt::black);
    ui->BitBtn3->setFont(pixelFont(QStringLiteral("Arial"), 12));
    ui->BitBtn3->setIcon(resourceGlyph(QStringLiteral("cerrar")));
    ui->BitBtn3->setIconSize(QSize(16, 16));
    for (FlatPanel *p : {ui->PanelDeportistas, ui->PanelVelocidad, ui->PanelTipo, ui->PanelDuracion,
                         ui->EditVuelta})
        p->setFaceColor(panel);
    for (FlatPanel *p :
         {ui->PanelDeportistas, ui->PanelVelocidad, ui->PanelTipo, ui->PanelDuracion})
        p->setBorderColor(accent);

    const QColor silver(0xC0, 0xC0, 0xC0);
    const QFont displayFont = pixelFont(QStringLiteral("Arial"), 22, true);
    for (FlatPanel *display : {ui->EditCrono, ui->EditCompletados, ui->Panel_Distancia}) {
        display->setFaceColor(silver);
        display->setTextColor(QColor(0x20, 0x20, 0x20));
        display->setBorderColor(accent);
        display->setFont(displayFont);
    }
    for (FlatPanel *speed : {ui->Velocidad, ui->LabelVelocidad}) {
        speed->setFaceColor(silver);
        speed->setTextColor(QColor(0, 0x80, 0));
        speed->setBorderColor(accent);
        speed->setFont(speed == ui->Velocidad ? displayFont
                                              : pixelFont(QStringLiteral("Arial"), 16, true));
    }
    const QFont captionFont = pixelFont(QStringLiteral("Arial"), 12, true);
    for (FlatPanel *caption : {ui->PanelParamtros, ui->PanelConfigurar, ui->FlatPanel6}) {
        caption->setFaceColor(QColor(0x80, 0x80, 0x80));
        caption->setTextColor(Qt::white);
        caption->setFont(captionFont);
    }
    for (FlatPanel *caption : {ui->FlatPanel21, ui->FlatPanel22, ui->FlatPanel8}) {
        caption->setFaceColor(accent);
        caption->setTextColor(Qt::white);
        caption->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    }
    for (FlatPanel *box : {ui->FlatPanel15, ui->FlatPanel23}) {
        box->setFaceColor(panel);
        box->setBorderColor(accent);
    }
    for (QLabel *label :
         {ui->LabelTiempo, ui->LabelCompletados, ui->LabelDistancia, ui->LabelVelocidadActual}) {
        label->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
        QPalette lp = label->palette();
        lp.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(lp);
    }
    ui->EditVuelta->setTextColor(Qt::white);
    ui->EditVuelta->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    ui->LabelVueltaN->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    ui->PanelRecVel->setFont(pixelFont(QStringLiteral("Arial"), 11, true));

    const qreal dpr = devicePixelRatioF();
    ui->PanelStart->setPixmap(phaseGlyph(true, dpr));
    ui->PanelStop->setPixmap(phaseGlyph(false, dpr));
    for (FlatPanel *indicator : {ui->PanelStart, ui->PanelStop}) {
        indicator->setFaceColor(silver);
        indicator->setBorderColor(accent);
    }

    const QFont modeFont = pixelFont(QStringLiteral("Arial"), 13, true);
    for (QRadioButton *mode : {ui->FlatRadioButton1, ui->FlatRadioButton2, ui->FlatRadioButton3})
        mode->setFont(modeFont);
    setModeColors(nullptr);
    const QIcon stopGlyph = athleteStopGlyph(dpr);
    for (FlatButton *button : m_stopButtons) {
        button->setFaceColor(silver);
        button->setHoverColor(rgb(fromBgr(16744448)));
        button->setPressedColor(rgb(fromBgr(16434548)));
        button->setBorderColor(QColor(0, 0x80, 0));
        button->setIcon(stopGlyph);
        button->setIconSize(QSize(8, 8));
    }
    ui->PanelReg_SJp->setFaceColor(Qt::black);
    for (FlatButton *button : {ui->BtnExportDatos, ui->BtnBorrarTabla}) {
        button->setFaceColor(rgb(fromBgr(16744448)));
        button->setHoverColor(rgb(fromBgr(16751157)));
        button->setPressedColor(rgb(fromBgr(12615680)));
        button->setBorderColor(rgb(fromBgr(10485760)));
        button->setIconSize(QSize(14, 14));
    }
    ui->BtnExportDatos->setIcon(resourceGlyph(QStringLiteral("export")));
    ui->BtnExportDatos->setGlyphRight(true);
    ui->BtnBorrarTabla->setIcon(resourceGlyph(QStringLiteral("borrar")));

    QPalette cp = ui->CheckBox_Calentamiento->palette();
    cp.setColor(QPalette::WindowText, Qt::white);
    ui->CheckBox_Calentamiento->setPalette(cp);
}

void TForm1::layoutWindow()
{
    // Start screen over everything, the set-up panel ready in front for the work screen.
    ui->PanelTipo->raise();
    ui->PanelInicio->setGeometry(rect());
    ui->PanelInicio->raise();
    ui->ImagePpal->setGeometry(ui->PanelInicio->rect());
    const int startWidth = ui->PanelInicio->width();
    ui->LabelEffect3->move(startWidth / 2 - ui->LabelEffect3->width() / 2, ui->LabelEffect3->y());
    ui->LabelEffect4->move(startWidth / 2 - ui->LabelEffect4->width() / 2, ui->LabelEffect4->y());
    ui->BitBtnEmpezar->move(startWidth / 2 -
                                (ui->BitBtnEmpezar->width() + ui->Acercade->width()) / 2 +
                                ui->Acercade->width(),
                            558 - ui->BitBtnEmpezar->height() - 12);
    ui->Acercade->move(ui->BitBtnEmpezar->x() - ui->Acercade->width(), ui->BitBtnEmpezar->y());

    // Toolbar: six buttons in one row, 1 px apart, the last one filling up to the right edge.
    const int clientWidth = width();
    const int clientHeight = height();
    FlatButton *toolbar[] = {ui->BitBtnSalir, ui->BitBtnNuevo, ui->BitBtnStart,
                             ui->BitBtnStop,  ui->BitBtnAyuda, ui->BitBtnGrupo};
    int left = 1;
    for (FlatButton *button : toolbar) {
        button->move(left, button->y());
        button->resize(clientWidth / 6, button->height());
        left += button->width() + 1;
    }
    ui->BitBtnGrupo->resize(clientWidth - ui->BitBtnGrupo->x() - 1, ui->BitBtnGrupo->height());

    // Right column: the course panels stand 24 px above the bottom edge.
    const int courseTop = clientHeight - ui->Panel_Voley->height() - 24;
    for (CourseView *panel :
         {ui->Panel_Voley, ui->Panel_Basket, ui->Panel_Futbol, ui->Panel_FutSal})
        panel->move(panel->x(), courseTop);
    const QRect course = m_course->geometry();

    // Left column: set-up panel over run display and speed strip, athletes below, level with
    // the course panel's bottom.
    ui->PanelTipo->move(ui->PanelTipo->x(), courseTop);
    ui->PanelDuracion->move(ui->PanelDuracion->x(), courseTop);
    ui->PanelVelocidad->move(ui->PanelTipo->x(), ui->PanelVelocidad->y());
    ui->PanelDeportistas->move(ui->PanelTipo->x(), ui->PanelDeportistas->y());
    ui->PanelVelocidad->resize(ui->PanelVelocidad->width(), ui->PanelStart->height() + 4);
    ui->PanelVelocidad->move(ui->PanelVelocidad->x(),
                             ui->PanelDuracion->y() + ui->PanelDuracion->height() + 5);
    ui->PanelTipo->resize(ui->PanelTipo->width(), ui->PanelVelocidad->y() +
                                                      ui->PanelVelocidad->height() -
                                                      ui->PanelTipo->y());
    const int athletesTop = ui->PanelVelocidad->y() + ui->PanelVelocidad->height() + 5;
    ui->PanelDeportistas->setGeometry(ui->PanelDeportistas->x(), athletesTop,
                                      ui->PanelDeportistas->width(),
                                      course.y() + course.height() - athletesTop);

    // Lap number over the course panel's lower right corner.
    ui->EditVuelta->move(course.x() + course.width() - ui->EditVuelta->width() - 2,
                         course.y() + course.height() - ui->EditVuelta->height() - 2);
    ui->EditVuelta->raise();
    ui->LabelVueltaN->move(ui->EditVuelta->x() - ui->LabelVueltaN->width() + 1,
                           ui->EditVuelta->y() + ui->EditVuelta->height() / 2 -
                               ui->LabelVueltaN->height() / 2);
    ui->LabelVueltaN->raise();

    // Speed strip: indicators at its right end, full height; the banner up to them.
    const int strip = ui->PanelVelocidad->width();
    for (FlatPanel *indicator : {ui->PanelStart, ui->PanelStop})
        indicator->setGeometry(strip - indicator->width(), 0, indicator->width(),
                               ui->PanelVelocidad->height());
    ui->PanelRecVel->resize(ui->PanelStart->x() + 1, ui->PanelRecVel->height());

    // Set-up panel: value boxes directly under their captions, overlapping by one pixel.
    ui->PanelConfigurar->resize(ui->PanelTipo->width(), ui->PanelConfigurar->height());
    const std::pair<QWidget *, QWidget *> boxes[] = {{ui->FlatPanel21, ui->FlatPanel15},
                                                     {ui->FlatPanel22, ui->FlatPanel23},
                                                     {ui->FlatPanel8, ui->LabelVelocidad}};
    for (const auto &[caption, box] : boxes)
        box->move(box->x(), caption->y() + caption->height() - 1);
    ui->PanelParamtros->resize(ui->PanelDuracion->width(), ui->PanelParamtros->height());

    // Athletes panel: export button at the right end of the title strip, clear button left of it.
    ui->BtnExportDatos->move(ui->PanelDeportistas->width() - ui->BtnExportDatos->width(), 0);
    ui->BtnBorrarTabla->move(ui->BtnExportDatos->x() - ui->BtnBorrarTabla->width() + 1, 0);
    ui->FlatPanel6->resize(ui->BtnBorrarTabla->x() + 1, ui->FlatPanel6->height());

    ui->PanelInicio->raise();
}

void TForm1::layoutAthletesPanel()
{
    // The grid panel holds exactly the title row and one row per slot; with the column of stop
    // buttons on its left it is centred in the panel below the title strip.
    ResultsGrid *grid = ui->HyperGrid_Sujetos;
    int columnsWidth = 0;
    for (int c = 0; c < m_results.columnCount(); ++c)
        columnsWidth += grid->columnWidth(c);
    QWidget *panel = ui->PanelReg_SJp;
    const int rows = m_results.rowCount() + 1;
    panel->resize(columnsWidth + (m_profile.hasVo2Max() ? 28 : 8),
                  ResultsGrid::TitleRowHeight + (rows - 1) * 20 + 2);
    const int below =
        ui->PanelDeportistas->height() - ui->FlatPanel6->y() - ui->FlatPanel6->height();
    panel->move(ui->PanelDeportistas->width() / 2 + ui->B01->width() / 2 - panel->width() / 2,
                below / 2 + ui->FlatPanel6->y() + ui->FlatPanel6->height() - panel->height() / 2);
    grid->setGeometry((panel->width() - columnsWidth) / 2, 1, columnsWidth, panel->height() - 1);

    const int rowHeight = ResultsGrid::DataRowHeight;
    int top = ResultsGrid::TitleRowHeight + panel->y() + 2;
    for (FlatButton *button : std::as_const(m_stopButtons)) {
        button->setGeometry(panel->x() - ui->B01->width() - 1, top, ui->B01->width(), rowHeight);
        top += rowHeight + 1;
    }
}

FlatButton *TForm1::stopButton(int slot) const
{
    return m_stopButtons.value(slot - 1);
}

void TForm1::mouseDoubleClickEvent(QMouseEvent *event)
{
    // FormDblClick: a double-click on the window's background shows or hides the tables.
    QWidget::mouseDoubleClickEvent(event);
    ui->PanelParametros->setVisible(!ui->PanelParametros->isVisible());
    ui->PanelParametros->raise();
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // After the window is on screen, so a message can stand over it.
        QMetaObject::invokeMethod(this, &TForm1::FormActivate, Qt::QueuedConnection);
    }
}

void TForm1::FormActivate()
{
    // Runs once: activation recurs whenever a message box closes, and must neither stop a
    // running test nor ask about the sound device again.
    m_programFolder = QDir::toNativeSeparators(QDir::currentPath());
    if (!m_programFolder.endsWith(QDir::separator()))
        m_programFolder += QDir::separator();

    m_soundAvailable = m_sound && m_sound->available();
    if (m_soundAvailable) {
        // Cues go from the driver to the sound layer; the window only shows how it fares.
        m_driver.setSink(m_sound);
        connect(m_sound, &CueSink::stateChanged, this, &TForm1::showSoundState);
    }
    showSoundState(m_sound ? m_sound->state() : CueSink::State::NoDevice);
    if (!m_soundAvailable && m_dialogs) {
        m_dialogs->message(this, m_profile.programTitle,
                           QStringLiteral("No se ha encontrado ninguna tarjeta de sonido instalada "
                                          "en su sistema."),
                           QMessageBox::Warning);
    }
}

void TForm1::BitBtnNuevoClick()
{
    ui->GaugeRec->resize(0, ui->GaugeRec->height());
    ui->BitBtnNuevo->setEnabled(false);
    ui->BitBtnStart->setEnabled(true);
    m_driver.newTest();
    ui->PanelTipo->show();
    ui->PanelTipo->raise();
    ui->GaugeRec->resize(ui->PanelStart->x() - 2 * ui->GaugeRec->x(), ui->GaugeRec->height());
    displaysChanged();
    resultsGuard();
}

bool TForm1::askToSaveResults()
{
    return m_dialogs->question(this, QStringLiteral("Guardar datos"),
                               QStringLiteral("Los registros de la anterior prueba de esfuerzo aún "
                                              "no han sido exportados ¿Desea guardarlos ahora?"),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Information) == QMessageBox::Yes;
}

bool TForm1::unexportedResults() const
{
    // Every row counts: results further down the table are just as much at stake.
    return m_resultsExported == 0 && m_results.anyResult();
}

void TForm1::resultsGuard()
{
    if (unexportedResults()) {
        if (askToSaveResults())
            BtnExportDatosClick();
        else
            m_results.clearResultColumns();
    }
    if (m_resultsExported == 1)
        m_results.clearResultColumns();
    m_resultsExported = 0;
}

int TForm1::selectedSlot() const
{
    const QModelIndex current = ui->HyperGrid_Sujetos->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

bool TForm1::BtnExportDatosClick()
{
    if (!m_results.anyName())
        return false;
    ui->BtnExportDatos->setEnabled(true);

    const int remembered = selectedSlot();
    ExportConditions conditions;
    conditions.when = m_now();
    conditions.initialPeriod = ui->SpinEdit1->value();
    conditions.initialSpeed = m_engine.initialSpeedText();
    // The highlight walks down the table as the records are written.
    for (int slot = 1; slot <= m_results.slotCount(); ++slot)
        selectSlot(slot);
    const QStringList lines =
        ExportFile::lines(m_results, m_profile.programTitle, conditions, QLocale());
    if (remembered > 0)
        selectSlot(remembered);

    const QString folder = m_programFolder + QStringLiteral("Export");
    QDir().mkpath(folder); // may have gone since start-up; the dialog opens either way
    const QString proposed =
        folder + QDir::separator() +
        ExportFile::proposedName(m_profile.programTitle, conditions.when.date());
    const QString path = m_dialogs->saveFileName(
        this, QStringLiteral("Exportación de Registros de ZENTA"), proposed,
        QStringLiteral("Archivo de exportación de Registros (*.txt)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return false;

    QByteArray bytes;
    if (!ExportFile::encode(lines, &bytes) || !ExportFile::write(path, bytes)) {
        m_dialogs->message(this, QStringLiteral("Información"),
                           QStringLiteral("No se ha podido exportar el archivo de Registros de ") +
                               m_profile.programTitle + QLatin1Char('.'),
                           QMessageBox::Warning);
        return false;
    }
    m_resultsExported = 1;
    return true;
}

void TForm1::BtnBorrarTablaClick()
{
    const auto answer = m_dialogs->question(
        this, QStringLiteral("Borrar datos"),
        QStringLiteral("¿Realmente desea borrar todos los datos que actualmente se encuentran en "
                       "la Tabla de resultados de los deportistas?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information);
    if (answer != QMessageBox::Ok)
        return;
    m_results.clearAll();
    for (FlatButton *button : std::as_const(m_stopButtons))
        button->hide();
}

void TForm1::PopupMenu_HGPopup()
{
    const int slot = selectedSlot();
    m_reactivate->setEnabled(slot > 0 && m_results.hasName(slot) &&
                             !m_results.cell(ResultsModel::Periods, slot).isEmpty() &&
                             ui->BitBtnStop->isEnabled() && !m_engine.warmUpPending());
}

void TForm1::Volveraactivar1Click()
{
    const int slot = selectedSlot();
    if (slot <= 0)
        return;
    if (m_results.hasName(slot) && ui->BitBtnStop->isEnabled() && !m_engine.warmUpPending()) {
        m_results.setCell(ResultsModel::Number, slot, QString::number(slot));
        m_results.clearResults(slot);
        stopButton(slot)->show();
    } else {
        stopButton(slot)->hide();
    }
}

bool TForm1::confirmExit()
{
    // Unexported results are offered for saving first: nothing is lost unless the operator says so.
    if (unexportedResults()) {
        if (askToSaveResults())
            BtnExportDatosClick();
    }
    const auto answer = m_dialogs->question(
        this, QStringLiteral("Salir de ") + m_profile.programTitle,
        QStringLiteral("Esto finaliza su sesión con ") + m_profile.programTitle + QLatin1Char('.'),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information);
    return answer == QMessageBox::Ok;
}

void TForm1::BitBtnSalirClick()
{
    if (confirmExit()) {
        m_exiting = true;
        emit exitConfirmed();
    }
}

void TForm1::BitBtnEmpezarClick()
{
    ui->PanelInicio->hide();
}

void TForm1::BitBtnAyudaClick()
{
    QWidget *help = ui->ScrollBox1;
    help->setGeometry(rect());
    help->show();
    QLabel *pictures[] = {ui->ImageHlp_Futbol, ui->ImageHlp_Basket, ui->ImageHlp_FutSal,
                          ui->ImageHlp_Voley};
    const int top = help->height() / 2 - ui->ImageHlp_Voley->height() / 2;
    for (QLabel *picture : pictures)
        picture->move(picture->x(), top);
    ui->Memo1->setGeometry(ui->ImageHlp_Voley->x() + ui->ImageHlp_Voley->width() + 20,
                           ui->Memo1->y(), 0, help->height() - ui->BitBtn3->height() - 40);
    ui->Memo1->resize(help->width() - ui->Memo1->x() - 15, ui->Memo1->height());
    ui->BitBtn3->move(help->width() / 2 - ui->BitBtn3->width() / 2,
                      help->height() - ui->BitBtn3->height() - 20);

    QLabel *picture = pictures[int(courseOf(m_profile.variant))];
    picture->setPixmap(QPixmap(
        QStringLiteral(":/pictures/help_%1.png").arg(courseResourceStem(m_profile.variant))));
    picture->raise();
    picture->show();
    // Reloaded at every opening: whatever was typed into the box is gone.
    QFile text(QStringLiteral(":/text/help_%1.txt").arg(courseResourceStem(m_profile.variant)));
    ui->Memo1->setPlainText(text.open(QIODevice::ReadOnly) ? QString::fromUtf8(text.readAll())
                                                           : QString());
    help->raise();
}

void TForm1::BitBtn3Click()
{
    ui->ScrollBox1->hide();
}

void TForm1::BitBtnGrupoClick()
{
    AcercadeClick();
}

void TForm1::AcercadeClick()
{
    if (m_about)
        m_about();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (m_exiting || confirmExit()) {
        m_exiting = true;
        event->accept();
        emit exitConfirmed();
    } else {
        event->ignore();
    }
}

void TForm1::BitBtnStartClick()
{
    if (m_engine.phase() != TestPhase::Ready)
        return;
    ui->BitBtnStop->setEnabled(true);
    enableAll({ui->BitBtnStart, ui->BitBtnSalir, ui->BitBtnAyuda, ui->BitBtnGrupo, ui->SpinEdit1,
               ui->ComboBoxCategoria, ui->ComboBoxSexo, ui->BtnExportDatos, ui->BtnBorrarTabla},
              false);
    ui->PanelTipo->lower();
    ui->PanelTipo->hide();
    ui->PanelStart->show();
    ui->PanelStop->show();
    m_driver.start(testMode(), ui->SpinEdit1->value(), ui->CheckBox_Calentamiento->isChecked());
    ui->HyperGrid_Sujetos->setRowSelectionMode();
}

void TForm1::BitBtnStopClick()
{
    if (!m_engine.isRunning())
        return;
    m_driver.stop();
    ui->BitBtnStop->setEnabled(false);
    enableAll({ui->BitBtnNuevo, ui->BitBtnSalir, ui->BitBtnAyuda, ui->BitBtnGrupo, ui->SpinEdit1,
               ui->ComboBoxCategoria, ui->ComboBoxSexo},
              true);
    if (m_results.anyName()) {
        ui->BtnExportDatos->setEnabled(true);
        ui->BtnBorrarTabla->setEnabled(true);
    }
    ui->PanelStart->hide();
    ui->PanelStop->hide();
    displaysChanged();
    // Everyone still running is captured with the same final displays, in slot order.
    for (int slot = 1; slot <= m_stopButtons.size(); ++slot) {
        if (!stopButton(slot)->isHidden())
            captureSlot(slot);
    }
}

void TForm1::activateAthletes()
{
    const QList<int> named = m_results.activateAthletes();
    for (int slot = 1; slot <= m_stopButtons.size(); ++slot)
        stopButton(slot)->setVisible(named.contains(slot));
}

void TForm1::B01Click()
{
    const int slot = sender() ? sender()->property("tag").toInt() : 0;
    if (slot >= 1 && slot <= m_results.slotCount())
        captureSlot(slot);
}

void TForm1::captureSlot(int slot)
{
    stopButton(slot)->hide();
    ResultReading reading;
    reading.time = m_engine.chronoText();
    reading.periodsCompleted = m_engine.periodShown() - m_engine.startPeriod();
    reading.distance = m_engine.distanceText();
    reading.speed = m_engine.speedText();
    m_results.capture(slot, reading);
    selectSlot(slot);
}

void TForm1::B01MouseMove(int slot)
{
    ui->HyperGrid_Sujetos->setRowSelectionMode();
    selectSlot(slot);
}

void TForm1::selectSlot(int slot)
{
    ResultsGrid *grid = ui->HyperGrid_Sujetos;
    const QModelIndex current = grid->currentIndex();
    if (current.isValid() && current.row() == slot - 1)
        return;
    const int column = current.isValid() ? current.column() : 0;
    grid->setCurrentIndex(m_results.index(slot - 1, column));
    HyperGrid_SujetosClick();
}

void TForm1::HyperGrid_SujetosClick()
{
    switch (ui->HyperGrid_Sujetos->currentIndex().column()) {
    case ResultsModel::Name:
    case ResultsModel::Code:
        ui->HyperGrid_Sujetos->setEditingMode();
        break;
    case ResultsModel::Vo2Max:
        break;
    default:
        ui->HyperGrid_Sujetos->setRowSelectionMode();
        break;
    }
}

void TForm1::HyperGrid_SujetosDblClick()
{
    ui->HyperGrid_Sujetos->setEditingMode();
}

void TForm1::pollEngine()
{
    m_driver.poll();
}

void TForm1::showSoundState(CueSink::State state)
{
    switch (state) {
    case CueSink::State::NoDevice:
        ui->LabelSonido->setText(QStringLiteral("Sin sonido"));
        break;
    case CueSink::State::Active:
        ui->LabelSonido->setText(QStringLiteral("Sonido activo"));
        break;
    case CueSink::State::Lost:
        ui->LabelSonido->setText(QStringLiteral("Sonido perdido"));
        break;
    case CueSink::State::Recovered:
        ui->LabelSonido->setText(QStringLiteral("Sonido recuperado"));
        break;
    }
    // Loss stands out; the rest reads as a quiet note.
    QPalette pal = ui->LabelSonido->palette();
    pal.setColor(QPalette::WindowText,
                 state == CueSink::State::Lost ? QColor(Qt::red) : QColor(Qt::black));
    ui->LabelSonido->setPalette(pal);
}

void TForm1::displaysChanged()
{
    const RunEngine &e = m_engine;
    ui->EditCrono->setText(e.chronoText());
    ui->EditCompletados->setText(QString::number(e.completedPeriods()));
    ui->Panel_Distancia->setText(e.distanceText());
    ui->Velocidad->setText(e.speedText());
    ui->LabelVelocidad->setText(e.speedText() + speedUnit());
    ui->EditPeriodo->setText(QString::number(e.periodShown()));
    ui->EditPitido->setText(QString::number(e.beepCount()));

    ui->EditVuelta->setText(QString::number(e.lap()));
    ui->EditVuelta->setVisible(e.lapVisible());
    ui->LabelVueltaN->setVisible(e.lapVisible());

    const PhaseBanner banner = e.banner();
    ui->PanelRecVel->setText(banner.text);
    ui->PanelRecVel->setTextColor(rgb(banner.textColor));
    ui->PanelRecVel->setFaceColor(rgb(banner.panelColor));
    ui->PanelRecVel->setVisible(e.isRunning());

    const GaugeState gauge = e.gauge();
    ui->GaugeRec->setMaximum(gauge.maximum);
    ui->GaugeRec->setPosition(gauge.position);
    ui->GaugeRec->setPrefix(gauge.prefix);
    ui->GaugeRec->setSuffix(gauge.suffix);
    ui->GaugeRec->setColors(rgb(gauge.colors[0]), rgb(gauge.colors[1]), rgb(gauge.colors[2]));
    ui->GaugeRec->setVisible(e.gaugeVisible());

    if (e.isRunning()) {
        const bool pause =
            e.phase() == TestPhase::PreTestRecovery || e.phase() == TestPhase::Recovery;
        (pause ? ui->PanelStop : ui->PanelStart)->raise();
    }

    if (e.phase() != TestPhase::Ended) {
        m_course->showPicture(e.picture());
        if (e.markerStation() >= 0)
            m_course->showMarker(e.markerStation(), e.markerLit());
        m_course->setRestMarkerVisible(e.restMarkerVisible());
    }
}

// --- Set-up panel -------------------------------------------------------------------------

void TForm1::FlatRadioButton1Click()
{
    BitBtnNuevoClick();
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
    m_engine.setCurrentPeriod(ui->SpinEdit1->value());
}

void TForm1::SpinEdit1Change(int value)
{
    m_engine.setCurrentPeriod(value);
    const Sex sex = Sex(qMax(0, ui->ComboBoxSexo->currentIndex()));
    const int category = m_profile.categoryForPeriod(sex, value);
    if (category >= 0) {
        // Follows the period without proposing a period back.
        const QSignalBlocker blocker(ui->ComboBoxCategoria);
        ui->ComboBoxCategoria->setCurrentIndex(category);
    }
}

void TForm1::ComboBoxCategoriaChange()
{
    const int category = ui->ComboBoxCategoria->currentIndex();
    if (category < 0)
        return;
    const Sex sex = Sex(qMax(0, ui->ComboBoxSexo->currentIndex()));
    ui->SpinEdit1->setValue(m_profile.startPeriodFor(sex, Category(category)));
}

void TForm1::setModeColors(QRadioButton *accented)
{
    for (QRadioButton *mode : {ui->FlatRadioButton1, ui->FlatRadioButton2, ui->FlatRadioButton3}) {
        QPalette pal = mode->palette();
        pal.setColor(QPalette::WindowText,
                     rgb(mode == accented ? m_profile.themeAccentColor : m_profile.themeBackColor));
        mode->setPalette(pal);
    }
}

void TForm1::hoverModeButton(QRadioButton *hovered)
{
    // The highlight follows the mouse only until a mode has been picked.
    if (!ui->FlatRadioButton1->isChecked())
        return;
    setModeColors(hovered);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->HyperGrid_Sujetos->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        return true;
    if (event->type() == QEvent::MouseMove) {
        const int slot = watched->property("tag").toInt();
        if (slot > 0 && m_stopButtons.contains(watched))
            B01MouseMove(slot);
        else if (watched == ui->FlatRadioButton2 || watched == ui->FlatRadioButton3)
            hoverModeButton(static_cast<QRadioButton *>(watched));
        else if (watched == ui->PanelTipo) {
            // A move over a radio button reaches the panel too, once the button ignores it.
            QWidget *under =
                ui->PanelTipo->childAt(static_cast<QMouseEvent *>(event)->position().toPoint());
            hoverModeButton(under == ui->FlatRadioButton2 || under == ui->FlatRadioButton3
                                ? static_cast<QRadioButton *>(under)
                                : nullptr);
        }
    } else if (event->type() == QEvent::KeyPress &&
               (watched == ui->SpinEdit1 || watched == ui->ComboBoxSexo ||
                watched == ui->ComboBoxCategoria)) {
        // Values come from the lists and the spin buttons only; typed characters are dropped.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
