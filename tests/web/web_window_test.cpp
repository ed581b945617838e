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

TEST(WebWindow, EnterInTheAddressBoxLoadsItAndANewWindowIsNamed)
{
    test::TempFolder temp;
    test::writeFile(temp.file("page.html"), "<html><body>quotes</body></html>");
    TFWeb window;
    EXPECT_EQ(window.windowTitle(), "Web");
    auto* box = window.findChild<QComboBox*>("ComboBoxURL");
    box->setEditText(QUrl::fromLocalFile(QString::fromStdString(temp.file("page.html").string())).toString());
    QSignalSpy loaded(window.findChild<QWebEngineView*>("WebBrowser1"), &QWebEngineView::loadFinished);
    // The key goes where the desktop sends it: to the box, not to its line edit.
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(loaded.wait(20000));
}

}  // namespace
}  // namespace kiruvan
