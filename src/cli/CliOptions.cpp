#include "cli/CliOptions.h"

#include <charconv>
#include <functional>
#include <map>

#include "protocol/Catalogue.h"

namespace {

// The named jobs: the item each reads, and whether data after the name writes it.
struct TNamedItem {
    int Item;
    bool Writable;
};

const std::map<std::string, TNamedItem>& NamedItems() {
    static const std::map<std::string, TNamedItem> names = {
        {"status", {Item::LoopStatus, false}},    {"alarms", {Item::Alarms, false}},
        {"energy", {Item::Energy, false}},        {"plans", {Item::FixedTimer, true}},
        {"work-table", {Item::WorkTable, false}}, {"params", {Item::AdvancedOptions, true}},
        {"options", {Item::Options, true}},       {"version", {Item::VersionInfo, false}},
    };
    return names;
}

bool IsCommandWord(const std::string& word) {
    return word == "read" || word == "write" || word == "set-clock" || NamedItems().count(word);
}

std::optional<int> IntArgument(const std::string& text, int base = 10) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || at != end) return std::nullopt;
    return value;
}

std::optional<TBytes> HexArgument(const std::string& text) {
    try {
        return HexTextToBytes(text, true);
    } catch (const THexTextError&) {
        return std::nullopt;
    }
}

// Walks the arguments; every failure sets the error text and stops.
class TParser {
public:
    TParser(const std::vector<std::string>& args, std::string& error)
        : Args_(args), Error_(error) {}

    std::optional<TCliOptions> Parse() {
        while (Ok() && At_ < Args_.size()) {
            const std::string& word = Args_[At_];
            if (word.rfind("--", 0) == 0 || word == "-h") {
                Option(word);
            } else {
                Command(word);
            }
        }
        if (Ok() && !Options_.Help) CheckWhole();
        if (!Ok()) return std::nullopt;
        return Options_;
    }

private:
    bool Ok() const { return Error_.empty(); }
    void Fail(const std::string& text) {
        if (Ok()) Error_ = text;
    }
    // The value after an option.
    std::string Value(const std::string& option) {
        ++At_;
        if (At_ >= Args_.size()) {
            Fail(option + " needs a value");
            return {};
        }
        return Args_[At_++];
    }
    int Number(const std::string& option, int low, int high) {
        const std::string text = Value(option);
        if (!Ok()) return 0;
        const auto value = IntArgument(text);
        if (!value || *value < low || *value > high) {
            Fail(option + " wants a number from " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not \"" + text + "\"");
            return 0;
        }
        return *value;
    }

    void Option(const std::string& word) {
        if (word == "--help" || word == "-h") {
            Options_.Help = true;
            ++At_;
        } else if (word == "--data-dir") {
            Value(word);  // the program paths read it
        } else if (word.rfind("--data-dir=", 0) == 0) {
            ++At_;
        } else if (word == "--serial") {
            Options_.PortName = Value(word);
            Serial_ = true;
        } else if (word == "--baud") {
            Options_.BaudRate = Number(word, 50, 4000000);
        } else if (word == "--format") {
            Format(Value(word));
        } else if (word == "--address") {
            Options_.Address = Number(word, 1, 254);
        } else if (word == "--remote") {
            Options_.Remote = true;
            ++At_;
        } else if (word == "--port") {
            Options_.ServerPort = Number(word, 1, 65535);
        } else if (word == "--station") {
            Options_.StationName = Value(word);
        } else if (word == "--wait") {
            Options_.WaitSeconds = Number(word, 0, 86400);
        } else if (word == "--send-gap") {
            Options_.SendGapMs = Number(word, 0, 600000);
        } else {
            Fail("unknown option " + word);
        }
    }
    void Format(const std::string& format) {
        if (format == "radio") {
            Options_.ShortMessageFormat = false;
        } else if (format == "sms") {
            Options_.ShortMessageFormat = true;
        } else if (Ok()) {
            Fail("--format is radio or sms, not \"" + format + "\"");
        }
    }

    // The word after a command when it is no option and no further command.
    std::optional<std::string> Operand() {
        if (At_ >= Args_.size()) return std::nullopt;
        const std::string& word = Args_[At_];
        if (word.rfind("--", 0) == 0 || IsCommandWord(word)) return std::nullopt;
        ++At_;
        return word;
    }
    int ItemOperand(const std::string& command) {
        const auto text = Operand();
        if (!text) {
            Fail(command + " needs an item (number or name)");
            return 0;
        }
        const auto item = ItemArgument(*text);
        if (!item) Fail("\"" + *text + "\" is not a data item");
        return item.value_or(0);
    }
    std::optional<TBytes> DataOperand() {
        const auto text = Operand();
        if (!text) return std::nullopt;
        const auto data = HexArgument(*text);
        if (!data) Fail("\"" + *text + "\" is not hexadecimal data");
        return data;
    }

    void Command(const std::string& word) {
        ++At_;
        TCliCommand command;
        if (word == "read") {
            command.Item = ItemOperand(word);
            command.Data = DataOperand().value_or(TBytes());
        } else if (word == "write") {
            command.Kind = TCliCommand::TKind::Write;
            command.Item = ItemOperand(word);
            const auto data = DataOperand();
            if (!data) Fail("write needs the item and its data in hexadecimal");
            command.Data = data.value_or(TBytes());
        } else if (word == "set-clock") {
            command.Kind = TCliCommand::TKind::SetClock;
            command.Item = Item::RtuClock;
        } else if (const auto named = NamedItems().find(word); named != NamedItems().end()) {
            command.Item = named->second.Item;
            if (named->second.Writable) {
                if (auto data = DataOperand()) {
                    command.Kind = TCliCommand::TKind::Write;
                    command.Data = *data;
                }
            }
        } else {
            Fail("unknown command \"" + word + "\"");
        }
        Options_.Commands.push_back(command);
    }

    void CheckWhole() {
        if (Serial_ == Options_.Remote) {
            Fail("give either --serial PORT or --remote");
        } else if (Serial_ && Options_.Address == 0) {
            Fail("--serial needs --address N");
        } else if (Options_.Remote && Options_.StationName.empty()) {
            Fail("--remote needs --station NAME");
        } else if (Options_.Commands.empty()) {
            Fail("no command given");
        }
    }

    const std::vector<std::string>& Args_;
    std::string& Error_;
    size_t At_ = 0;
    bool Serial_ = false;
    TCliOptions Options_;
};

}  // namespace

std::optional<int> ItemArgument(const std::string& text) {
    std::optional<int> item = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0
                                  ? IntArgument(text.substr(2), 16)
                                  : IntArgument(text);
    if (!item) {
        for (const TCatalogueEntry& entry : CatalogueEntries())
            if (text == entry.Name) item = entry.Id;
    }
    if (!item || !IsCatalogued(*item)) return std::nullopt;
    return item;
}

std::optional<TCliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                           std::string& error) {
    error.clear();
    return TParser(args, error).Parse();
}

std::string CliUsage() {
    return "usage: rtu-cli [--data-dir DIR] --serial PORT [--baud N] [--format radio|sms]\n"
           "               --address N COMMAND...\n"
           "       rtu-cli [--data-dir DIR] --remote [--port N] [--wait S] [--send-gap MS]\n"
           "               --station NAME COMMAND...\n"
           "Reads and writes a generation-6 street-lamp controller over a serial line or\n"
           "through its GPRS terminal, and prints every reply as one JSON object a line.\n"
           "\n"
           "Roads:\n"
           "  --serial PORT     serial device (/dev/ttyUSB0, COM1); --baud N (default 9600),\n"
           "                    --format radio (default, frames without time stamp) or sms\n"
           "  --address N       controller address 1..254 on the serial line\n"
           "  --remote          run the GPRS UDP server on --port N (default 1024), wait up to\n"
           "                    --wait S seconds (default 60) for the terminal of the stored\n"
           "                    station --station NAME to register, then send\n"
           "  --send-gap MS     quiet time between two commands (remote default 3000)\n"
           "\n"
           "Commands (one or more, sent one after the other):\n"
           "  read ITEM [HEXDATA]    read a data item (number or catalogue name)\n"
           "  write ITEM HEXDATA     write a data item\n"
           "  set-clock              set the controller's clock to this PC's\n"
           "  status | alarms | energy | work-table | version      read the common items\n"
           "  plans | options | params [HEXDATA]   read, or write with data, the plans (50),\n"
           "                         the switching options (118), the controller options (119)\n"
           "\n"
           "The status lines of the communication go to standard error.\n"
           "Exit codes: 0 done, 1 a command got no reply or was refused, 2 usage,\n"
           "3 the link could not start (or the terminal did not register).\n";
}
