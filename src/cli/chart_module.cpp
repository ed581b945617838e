#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "base/calendar_date.h"
#include "cli/cmd_chart.h"

namespace {

// A stream's characters handed to the tool as they come.
class ToolStream : public std::streambuf {
public:
    ToolStream(kiruvan::cli::ChartModuleWrite write, void* sink) : write_(write), sink_(sink) {}

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char ch = traits_type::to_char_type(c);
            write_(sink_, &ch, 1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize size) override
    {
        write_(sink_, text, static_cast<std::size_t>(size));
        return size;
    }

private:
    kiruvan::cli::ChartModuleWrite write_;
    void* sink_;
};

}  // namespace

// The chart module runs the chart command as the batch tool would, with the drawing linked in.
extern "C" __attribute__((visibility("default"))) int kiruvan_chart_run(int argc, const char* const* argv,
                                                                        const char* dataFolder,
                                                                        kiruvan::cli::ChartModuleWrite write, void* out,
                                                                        void* err)
{
    ToolStream outBuffer(write, out), errBuffer(write, err);
    std::ostream outStream(&outBuffer), errStream(&errBuffer);
    try {
        std::vector<std::string> line = {"chart"};
        line.insert(line.end(), argv, argv + argc);
        kiruvan::SystemClock clock;
        return kiruvan::cli::runCommandLine(line, dataFolder, clock, outStream, errStream);
    } catch (const std::exception& e) {
        errStream << "kiruvan-cli: " << e.what() << std::endl;
    } catch (...) {
        errStream << "kiruvan-cli: the chart could not be drawn" << std::endl;
    }
    return kiruvan::cli::kFailed;
}
