#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

#include "support/temp_folder.h"
#include "web/ui/F_Web.h"

namespace kiruvan {
namespace {

TEST(WebWindow, ALoadedPageSetsTheCaptionAndTheBoxKeepsItsCapitals)
{
    test::TempFolder temp;
    test::writeFile(temp.file("Page.html"), "<html><title>t</title><body>quotes</body></html>");
    TFWeb first, second;
    auto* box = first.findChild<QComboBox*>("ComboBoxURL");
    const QString address = QUrl::fromLocalFile(QString::fromStdString(temp.file("Page.html").string())).toString();
    box->setEditText(address);
    QSignalSpy loaded(first.findChild<QWebEngineView*>("WebBrowser1"), &QWebEngineView::loadFinished);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(loaded.wait(20000));

    EXPECT_EQ(first.windowTitle(), address);
    EXPECT_EQ(box->currentText(), address);
    EXPECT_EQ(first.addresses(), std::vector<std::string>{address.toLower().toStdString()});
    EXPECT_TRUE(second.addresses().empty());
}

}  // namespace
}  // namespace kiruvan
