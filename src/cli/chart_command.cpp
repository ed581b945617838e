#include "cli/cmd_chart.h"

namespace kiruvan::cli {

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
