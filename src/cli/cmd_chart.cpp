#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "chart/chart_data.h"
#include "chart/picture_file.h"
#include "chart/render/chart_painter.h"
#include "chart/render/chart_picture.h"
#include "cli/cli.h"
#include "cli/cmd_chart.h"
#include "cli/market_argument.h"
#include "database/symbol_manager.h"

namespace kiruvan::cli {
namespace {

constexpr int kLargestSide = 16384;

// Qt's own chatter (a missing runtime folder of the offscreen platform) is not the user's
// business; its real errors still reach standard error as the tool's messages.
void toolMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        tell(std::cerr, message.toStdString());
}

// Pictures are drawn without a display, at 96 pixels per inch on every machine. The application
// object lives only while one picture is drawn: held any longer, it would be destroyed after
// the library's own globals at exit, and the process would crash after its work was done.
std::unique_ptr<QGuiApplication> guiApplicationUnlessRunning()
{
    if (QGuiApplication::instance())
        return nullptr;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_FONT_DPI", "96", 0);
    qInstallMessageHandler(toolMessages);
    static int argc = 1;
    static char name[] = "kiruvan-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int drawChart(Context& context, Arguments& args)
{
    // Options first, so that an option's value is never taken for the code.
    const std::optional<std::string> marketName = args.takeOption("--market");
    const int width = args.takeNumber("--width", 1, kLargestSide).value_or(1050);
    const int height = args.takeNumber("--height", 1, kLargestSide).value_or(600);
    const double zoom = args.takeNumber("--zoom", kSmallestZoom, 100.0).value_or(1.0);
    const std::optional<int> scroll = args.takeNumber("--scroll", std::numeric_limits<int>::lowest());
    const std::optional<std::string> out = args.takeOption("--out");
    const std::string code = args.requirePositional("symbol code");
    args.finish();
    if (!out)
        throw UsageError("chart needs --out FILE");
    if (!pictureTypeFor(*out))
        throw UsageError("the picture's name must end in .bmp, .jpg or .png, not '" + *out + "'");

    ChartData data(context.folder);
    data.Code_Titre_Demande = code;
    data.openSymbolList(requireMarketOfSymbol(context, code, marketName).id);
    if (data.Code_Titre_Courant != code)
        throw std::runtime_error("The market does not list the symbol " + code + ".");
    data.loadCurrentSymbol();

    const auto application = guiApplicationUnlessRunning();
    const int maximum = scrollRange(width, data.NBBars(), zoom).scrollMaximum;
    QImage image = blankClientImage(width, height);
    paintChart(image, data, zoom, std::clamp(scroll.value_or(maximum), 0, maximum));
    SaveBMP_To_Disk(image, *out);
    return kSuccess;
}

}  // namespace kiruvan::cli
