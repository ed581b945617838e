#include "cli/advice.h"
#include "cli/cmd_database.h"
#include "cli/market_argument.h"
#include "database/ascii_export.h"
#include "database/master_table.h"
#include "database/symbol_data_edits.h"

namespace kiruvan::cli {
namespace {

// A code that no symbol lists is refused as unknown; a listed one is told how to get its file.
std::string missingFileMessage(const Context& context, const std::string& code)
{
    for (const Symbol& symbol : listSymbols(context.folder))
        if (symbol.code == code)
            return "The symbol " + code + " has no file " + code + ".cds; " + noFileAdvice(context, code);
    return unknownSymbolMessage(context, code);
}

int exportBars(Context& context, Arguments& args)
{
    const std::string code = args.requirePositional("symbol code");
    const std::optional<std::string> file = args.takePositional();
    args.finish();
    if (!context.folder.findSymbolFile(code))
        throw std::runtime_error(missingFileMessage(context, code));
    Table bars;
    bars.setClock(context.clock);
    loadSymbolData(bars, context.folder, code);
    if (file)
        writeAsciiExportFile(bars, *file);
    else
        writeAsciiExport(bars, context.out);
    return kSuccess;
}

}  // namespace

Command exportCommand()
{
    return {"export", "export CODE [FILE]",
            "Writes the bars of the symbol CODE as the data viewer's ASCII export: one line per day\n"
            "in date order, 'dd/mm/yyyy;open;high;low;close;volume', CR LF line ends, an empty field\n"
            "for a missing value. Writes to FILE (replacing it) or to standard output.",
            exportBars};
}

}  // namespace kiruvan::cli
