#include "import/ui/F_Maj.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/gui_helpers.h"

namespace kiruvan {
namespace {

constexpr int kSymbolLength = 30;

template <std::size_t N>
QStringList itemsOf(const std::array<std::string_view, N>& items)
{
    QStringList list;
    for (std::string_view item : items)
        list << QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size()));
    return list;
}

QLabel* makeLabel(const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = gui::named(new QLabel(caption), name);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

QComboBox* TU_MAJ::makeList(const char* name, const QStringList& items)
{
    auto* box = gui::named(new QComboBox, name);
    box->addItems(items);
    return box;
}

void TU_MAJ::buildControls()
{
    GroupBox1 = gui::named(new QGroupBox, "GroupBox1");
    GroupBox1->setFocusPolicy(Qt::StrongFocus);
    auto* group = new QVBoxLayout(GroupBox1);
    group->setContentsMargins(6, 6, 6, 6);
    group->addLayout(buildSettingsRow());
    group->addLayout(buildColumnRow());
    group->addWidget(buildLinesList(), 1);
    group->addLayout(buildRunRow());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(buildBottomRow());

    connect(BTN_open, &QPushButton::clicked, this, &TU_MAJ::BTN_openClick);
    connect(BTN_update, &QPushButton::clicked, this, &TU_MAJ::BTN_updateClick);
    connect(BTN_Detect, &QPushButton::clicked, this, &TU_MAJ::BTN_DetectClick);
    connect(OK, &QPushButton::clicked, this, &TU_MAJ::OKClick);
}

// The file button and the settings, captions above their controls, as over the column lists,
// so that every setting fits a row.
QGridLayout* TU_MAJ::buildSettingsRow()
{
    BTN_open = gui::named(gui::plainButton("Open ASCII File", this), "BTN_open");
    CBX_Separateur_Champ = makeList("CBX_Separateur_Champ", itemsOf(kFieldSeparatorItems));
    CBX_date_Format = makeList("CBX_date_Format", itemsOf(kDateLayoutItems));
    CBX_Decimal_Separateur = makeList("CBX_Decimal_Separateur", itemsOf(kDecimalSeparatorItems));
    CHK_Decimal_Comma = gui::named(new QCheckBox("Decimal comma"), "CHK_Decimal_Comma");
    EDT_Symbol = gui::named(new QLineEdit, "EDT_Symbol");
    EDT_Symbol->setMaxLength(kSymbolLength);
    EDT_Symbol->setFixedWidth(110);
    Picker_FirstDate = gui::named(new QDateEdit, "Picker_FirstDate");
    Picker_FirstDate->setDisplayFormat("dd/MM/yyyy");
    Picker_FirstDate->setCalendarPopup(true);
    Picker_FirstDate->setMinimumDate(toQDate(earliestFirstDate()));
    Picker_FirstDate->setMaximumDate(toQDate(clock_.today()));
    Label12 = makeLabel("Label12", "Decimal Separator", CBX_Decimal_Separateur);
    Label12->hide();
    CBX_Decimal_Separateur->hide();

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    grid->addWidget(BTN_open, 1, 0);
    const std::array<std::pair<QLabel*, QWidget*>, 5> settings = {{
        {makeLabel("Label11", "Field Separator", CBX_Separateur_Champ), CBX_Separateur_Champ},
        {makeLabel("Label13", "Date Fomat", CBX_date_Format), CBX_date_Format},
        {Label12, CBX_Decimal_Separateur},
        {makeLabel("Label14", "Symbol", EDT_Symbol), EDT_Symbol},
        {makeLabel("Label15", "First Date", Picker_FirstDate), Picker_FirstDate},
    }};
    for (std::size_t i = 0; i < settings.size(); ++i) {
        grid->addWidget(settings[i].first, 0, static_cast<int>(i) + 1);
        grid->addWidget(settings[i].second, 1, static_cast<int>(i) + 1);
    }
    grid->addWidget(CHK_Decimal_Comma, 1, static_cast<int>(settings.size()) + 1);
    grid->setColumnStretch(static_cast<int>(settings.size()) + 2, 1);
    return grid;
}

// The ten column lists under their captions "Col 1" to "Col 10".
QGridLayout* TU_MAJ::buildColumnRow()
{
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(2);
    const QStringList kinds = itemsOf(kColumnKindItems);
    for (int c = 1; c <= kImportColumns; ++c) {
        const QByteArray name = c == 1 ? "CBX_col1" : "CBX_Col" + QByteArray::number(c);
        QComboBox* box = makeList(name.constData(), kinds);
        // Ten lists share the width; the open list shows the long kinds whole.
        box->setMinimumContentsLength(5);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 8);
        columnBoxes_.push_back(box);
        const QByteArray labelName = "Label" + QByteArray::number(c);
        grid->addWidget(makeLabel(labelName.constData(), QString("Col %1").arg(c), box), 0, c - 1);
        grid->addWidget(box, 1, c - 1);
    }
    return grid;
}

QPlainTextEdit* TU_MAJ::buildLinesList()
{
    Memo_Import = gui::named(new QPlainTextEdit, "Memo_Import");
    Memo_Import->setReadOnly(true);
    Memo_Import->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_Import->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The list only shows what a run reads: it never takes the focus or a key.
    Memo_Import->setFocusPolicy(Qt::NoFocus);
    Memo_Import->setTextInteractionFlags(Qt::NoTextInteraction);
    return Memo_Import;
}

QHBoxLayout* TU_MAJ::buildRunRow()
{
    BTN_update = gui::named(gui::plainButton("Update", this), "BTN_update");
    BTN_update->setEnabled(false);
    BTN_Detect = gui::named(gui::plainButton("Detect", this), "BTN_Detect");
    BTN_Detect->setEnabled(false);
    LBL_Processing = gui::named(new QLabel("Processing ..."), "LBL_Processing");
    LBL_Processing->hide();
    Memo_Summary = gui::named(new QPlainTextEdit, "Memo_Summary");
    Memo_Summary->setReadOnly(true);
    Memo_Summary->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_Summary->setFixedHeight(Memo_Summary->fontMetrics().lineSpacing() * 4 + 10);
    // Its room is kept while it is hidden, so that the buttons stay where the user found them.
    keepRoomWhenHidden(*Memo_Summary);
    Memo_Summary->hide();
    auto* row = new QHBoxLayout;
    row->addWidget(BTN_Detect, 0, Qt::AlignTop);
    row->addWidget(BTN_update, 0, Qt::AlignTop);
    row->addWidget(LBL_Processing, 0, Qt::AlignTop);
    row->addWidget(Memo_Summary, 4);
    row->addStretch(1);
    return row;
}

// The loaded file's name, the symbols whose bars could not be written, and Close.
QHBoxLayout* TU_MAJ::buildBottomRow()
{
    LBL_Directory = gui::named(new QLabel, "LBL_Directory");
    LBL_Directory->hide();
    Memo_Erreurs = gui::named(new QPlainTextEdit, "Memo_Erreurs");
    Memo_Erreurs->setReadOnly(true);
    Memo_Erreurs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Erreurs->setFixedSize(240, 40);
    Memo_Erreurs->hide();
    // Close stays at the right whether a file is loaded and whether a write failed.
    keepRoomWhenHidden(*LBL_Directory);
    keepRoomWhenHidden(*Memo_Erreurs);
    OK = gui::named(gui::plainButton("Close", this), "OK");
    auto* row = new QHBoxLayout;
    row->addWidget(LBL_Directory, 1);
    row->addWidget(Memo_Erreurs);
    row->addWidget(OK, 0, Qt::AlignBottom);
    return row;
}

}  // namespace kiruvan
