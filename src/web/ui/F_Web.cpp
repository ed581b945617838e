#include "web/ui/F_Web.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "web/address_list.h"

namespace kiruvan {
namespace {

constexpr QSize kInitialSize{653, 359};
constexpr int kMinimumHeight = 120;
constexpr int kButtonBarHeight = 49;
constexpr int kButtonHeight = 45;
constexpr const char* kUnloadedCaption = "Web";

}  // namespace

TFWeb::TFWeb(QWidget* parent) : QWidget(parent)
{
    setObjectName("TFWeb");
    // Until a page reports its address, the window is named for what it is, here and in the
    // Window menu's list.
    setWindowTitle(kUnloadedCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    setMinimumHeight(kMinimumHeight);
}

QSize TFWeb::sizeHint() const
{
    return kInitialSize;
}

void TFWeb::buildControls()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setFixedHeight(kButtonBarHeight);
    ToolBar1->setFocusPolicy(Qt::StrongFocus);
    addButton("ButtonPrecedent", "Prior", QStyle::SP_ArrowBack, &TFWeb::ButtonPrecedentClick);
    addButton("ButtonSuivant", "Next", QStyle::SP_ArrowForward, &TFWeb::ButtonSuivantClick);
    addButton("BitBtn1", "Stop", QStyle::SP_BrowserStop, &TFWeb::ButtonArreterClick);
    addButton("BitBtn5", "Refresh", QStyle::SP_BrowserReload, &TFWeb::ButtonActualiserClick);
    addButton("BitBtn4", "Home", QStyle::SP_DirHomeIcon, &TFWeb::ButtonDemarrageClick);

    ToolBar2 = new QToolBar(this);
    ToolBar2->setObjectName("ToolBar2");
    ComboBoxURL = new QComboBox(ToolBar2);
    ComboBoxURL->setObjectName("ComboBoxURL");
    ComboBoxURL->setEditable(true);
    // Enter navigates; the box must not add the typed text as an item of its own.
    ComboBoxURL->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxURL->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ComboBoxURL->setEditText(QString::fromUtf8(kWebStartPage));
    // The keys reach the box, which hands them to its line edit directly, past any filter of
    // the line edit's: Enter is taken where the line edit reports it.
    connect(ComboBoxURL->lineEdit(), &QLineEdit::returnPressed, this, &TFWeb::ButtonValidationClick);
    ToolBar2->addWidget(ComboBoxURL);
    SpeedButton1 = new QToolButton(ToolBar2);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_CommandLink));
    SpeedButton1->setAutoRaise(true);
    ToolBar2->addWidget(SpeedButton1);
    connect(SpeedButton1, &QToolButton::clicked, this, &TFWeb::ButtonValidationClick);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    WebBrowser1 = new QWebEngineView(GroupBox1);
    WebBrowser1->setObjectName("WebBrowser1");
    auto* inner = new QVBoxLayout(GroupBox1);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(WebBrowser1);
    // Completion is reported for every load, failed ones included: the page shows its own error.
    connect(WebBrowser1, &QWebEngineView::loadFinished, this,
            [this] { WebBrowser1NavigateComplete2(WebBrowser1->url().toString()); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(ToolBar2);
    layout->addWidget(GroupBox1, 1);
}

QToolButton* TFWeb::addButton(const char* name, const QString& caption, int icon, void (TFWeb::*action)())
{
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setFixedHeight(kButtonHeight);
    ToolBar1->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, action] {
        ToolBar1->setFocus();
        (this->*action)();
    });
    return button;
}

void TFWeb::ButtonValidationClick()
{
    // The text goes to the browser as typed; what it cannot load it shows as it does.
    WebBrowser1->load(QUrl::fromUserInput(ComboBoxURL->currentText()));
    ToolBar1->setFocus();
}

void TFWeb::ButtonPrecedentClick()
{
    WebBrowser1->back();
}
void TFWeb::ButtonSuivantClick()
{
    WebBrowser1->forward();
}
void TFWeb::ButtonArreterClick()
{
    WebBrowser1->stop();
}
void TFWeb::ButtonActualiserClick()
{
    WebBrowser1->reload();
}
void TFWeb::ButtonDemarrageClick()
{
    WebBrowser1->load(QUrl(QString::fromUtf8(kWebStartPage)));
}

void TFWeb::WebBrowser1NavigateComplete2(const QString& address)
{
    if (address.isEmpty())
        return;
    setWindowTitle(address);
    Ajout_URL_Dans_combobox(addresses_, address.toStdString());
    showAddresses(address);
}

void TFWeb::showAddresses(const QString& boxText)
{
    const QSignalBlocker quiet(ComboBoxURL);
    ComboBoxURL->clear();
    for (const std::string& item : addresses_)
        ComboBoxURL->addItem(QString::fromStdString(item));
    ComboBoxURL->setEditText(boxText);
}

}  // namespace kiruvan
