#include "app/about.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/version.h"
#include "widgets/app_pictures.h"
#include "widgets/gui_helpers.h"

namespace kiruvan {
namespace {

QLabel* label(const QString& text, QWidget* parent, int pointSizeDelta = 0, bool bold = false)
{
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSize(f.pointSize() + pointSizeDelta);
    f.setBold(bold);
    l->setFont(f);
    return l;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, Qt::Tool), OKButton(new QPushButton("OK", this))
{
    setWindowTitle(" About ...");
    setFixedSize(418, 261);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);

    auto* picture = new QLabel(panel);
    picture->setPixmap(QPixmap::fromImage(aboutPicture(QSize(80, 80))));
    picture->setAlignment(Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->addWidget(label("Kiruvan", panel, 6, true));
    texts->addWidget(label("End-of-day analysis and backtesting", panel));
    texts->addWidget(label("Version " + QString::fromUtf8(kVersion), panel));
    texts->addWidget(label("https://kiruvan.example/", panel));
    texts->addSpacing(8);
    texts->addWidget(label("Provided as it is, without warranty of any kind.\n"
                           "Its signals are no investment advice.\n"
                           "Past results do not promise future ones.\n"
                           "Copyright (c) 2026 the Kiruvan developers.",
                           panel, -1));
    texts->addStretch();

    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(picture);
    panelLayout->addSpacing(8);
    panelLayout->addLayout(texts, 1);

    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(panel, 1);
    layout->addLayout(buttons);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    centerOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace kiruvan
