#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "chart/chart_data.h"
#include "chart/chart_painter.h"
#include "chart/chart_picture.h"
#include "chart/picture_file.h"
#include "cli/cli.h"
#include "cli/market_argument.h"
#include "database/symbol_manager.h"

namespace kiruvan::cli {
namespace {

constexpr int kLargestSide = 16384;

// A number within [low, high] given to an option.
template <class T>
T numberIn(std::string_view name, const std::string& text, T low, T high)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= low && value <= high))
        throw UsageError(std::string(name) + " needs a number from " + std::to_string(low) + " to "
                         + std::to_string(high) + ", not '" + text + "'");
    return value;
}

template <class T>
T numberOption(Arguments& args, std::string_view name, T fallback, T low, T high)
{
    const std::optional<std::string> text = args.takeOption(name);
    return text ? numberIn(name, *text, low, high) : fallback;
}

// Pictures are drawn without a display, at 96 pixels per inch on every machine.
void ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_FONT_DPI", "96", 0);
    static int argc = 1;
    static char name[] = "kiruvan-cli";
    static char* argv[] = {name, nullptr};
    static const auto application = std::make_unique<QGuiApplication>(argc, argv);
}

std::int32_t marketOfSymbol(const DataFolder& folder, const std::string& code)
{
    for (const Symbol& symbol : listSymbols(folder)) {
        if (symbol.code == code)
            return symbol.marketId;
    }
    throw std::runtime_error("The symbol " + code + " is not in Master.cds.");
}

int drawChart(Context& context, Arguments& args)
{
    const std::string code = args.requirePositional("symbol code");
    const std::optional<std::string> marketName = args.takeOption("--market");
    const int width = numberOption(args, "--width", 1050, 1, kLargestSide);
    const int height = numberOption(args, "--height", 600, 1, kLargestSide);
    const double zoom = numberOption(args, "--zoom", 1.0, kSmallestZoom, 100.0);
    const std::optional<std::string> scrollText = args.takeOption("--scroll");
    const std::optional<std::string> out = args.takeOption("--out");
    args.finish();
    if (!out)
        throw UsageError("chart needs --out FILE");
    if (!pictureTypeFor(*out))
        throw UsageError("the picture's name must end in .bmp, .jpg or .png, not '" + *out + "'");
    std::optional<int> scroll;
    if (scrollText)
        scroll = numberIn("--scroll", *scrollText, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());

    ChartData data(context.folder);
    data.Code_Titre_Demande = code;
    data.openSymbolList(marketName ? requireMarket(context.folder, *marketName).id
                                   : marketOfSymbol(context.folder, code));
    if (data.Code_Titre_Courant != code)
        throw std::runtime_error("The market does not list the symbol " + code + ".");
    data.loadCurrentSymbol();

    ensureGuiApplication();
    const int maximum = scrollRange(width, data.NBBars(), zoom).scrollMaximum;
    QImage image = blankClientImage(width, height);
    paintChart(image, data, zoom, std::clamp(scroll.value_or(maximum), 0, maximum));
    SaveBMP_To_Disk(image, *out);
    return kSuccess;
}

}  // namespace

Command chartCommand()
{
    return {"chart", "chart CODE [--market NAME] [--width W] [--height H] [--zoom Z] [--scroll P] --out FILE",
            "Draws the picture that a chart window's 'Save as image ...' writes, for a window whose\n"
            "client area is W x H pixels (default 1050 x 600) opened on the symbol CODE: bars coloured\n"
            "by the stored trading system, the index and equity panes when the symbol has stored\n"
            "parameters, the date strip and the caption band. --market defaults to the symbol's market\n"
            "in Master.cds. --zoom Z is the width of a bar in pixels, 0.5 to 100 (default 1). The view\n"
            "shows the newest bars unless --scroll P gives a scroll position (clamped to the range).\n"
            "The type follows FILE's extension: .bmp, .jpg (quality 100) or .png.",
            drawChart};
}

}  // namespace kiruvan::cli
