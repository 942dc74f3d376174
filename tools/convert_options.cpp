#include "tools/convert_options.h"

#include <charconv>
#include <functional>
#include <map>
#include <string_view>

#include "io/ZelnorCommons.h"

namespace convert_cli {

const char* const kConvertHelp =
    "usage: zelnor2 convert [options] SOURCE... [--to TARGET]\n"
    "       zelnor2 convert [options] --files-from LIST [--to FOLDER]\n"
    "Converts image files (BMP, JPEG, GIF, PNG) on every core, as the ConvertFile member does for\n"
    "each file: load, resize, gamma, contrast, sharpen, blur, save.\n"
    "\n"
    "SOURCE is a file, a folder, or a pattern with * and ? (quote it, so that the shell leaves it\n"
    "alone). Files of a folder or pattern are taken in name order; hidden files (.name) are left out.\n"
    "TARGET is a folder (default: the current one), or a file name when SOURCE is one file.\n"
    "\n"
    "picture options (those of the member):\n"
    "  --type WORD          output type and extension: jpg, jpeg, gif, png, bmp (default JPG)\n"
    "  --size WxH           resize to W x H, fitted with white margins (a thumbnail)\n"
    "  --exact              resize to exactly W x H instead\n"
    "  --hiq                high-quality resampling (area averaging, cubic when enlarging)\n"
    "  --gamma 1|2          brighten (1) or darken (2)\n"
    "  --contrast N         stretch the contrast by N, 1..100\n"
    "  --sharp, --dull      sharpen, blur (3 x 3)\n"
    "codec settings:\n"
    "  --jpeg-quality N     1..100 (default 100)\n"
    "  --progressive        progressive JPEG\n"
    "  --png-level N        deflate level 0..9 (default 7)\n"
    "  --gif-mode 0|1       GIF image data: 0 run-length (default), 1 LZW\n"
    "  --draft              decode JPEG sources at 1/2, 1/4 or 1/8 scale when the resized picture\n"
    "                       is that much smaller: much faster, but the pixels then differ from the\n"
    "                       member's, which always decodes at full scale\n"
    "batch options:\n"
    "  --jobs N             files converted at once (default: one per core)\n"
    "  --shard K/N          convert only part K of N (1 <= K <= N) of the sorted file list, so that\n"
    "                       N machines can share one job; files with the same output name stay\n"
    "                       in one part\n"
    "  --files-from LIST    convert the files named in LIST, one a line ('-': standard input)\n"
    "  -0, --null           names in LIST end with a NUL byte (find -print0)\n"
    "  --list               print the files this run would convert, and stop\n"
    "  -q, --quiet          no progress and no summary (failures are still reported)\n"
    "  -v, --verbose        name every skipped file and why in the summary\n"
    "\n"
    "Progress goes to standard error: a bar on a terminal, else a line per tenth of the files.\n"
    "The summary goes to standard output. Ctrl-C stops after the files in hand, leaving no\n"
    "partial file. Exit status: 0 every image file converted; 1 a file failed or nothing\n"
    "matched; 2 bad command line; 130 interrupted (143 on SIGTERM).\n";

namespace {

bool ParseInt(std::string_view text, int min, int max, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) return false;
  out = value;
  return true;
}

bool ParsePair(std::string_view text, char sep, int min_a, int min_b, int max, int& a, int& b) {
  const size_t at = text.find(sep);
  return at != std::string_view::npos && ParseInt(text.substr(0, at), min_a, max, a) &&
         ParseInt(text.substr(at + 1), min_b, max, b);
}

using ValueSetter = std::function<bool(ConvertCommand&, const std::string&)>;

bool SetRange(int& field, const std::string& v, int min, int max) { return ParseInt(v, min, max, field); }

const std::map<std::string, ValueSetter, std::less<>>& ValueOptions() {
  static const std::map<std::string, ValueSetter, std::less<>> table = {
      {"--to", [](ConvertCommand& c, const std::string& v) { return c.to = v, !v.empty(); }},
      {"--type",
       [](ConvertCommand& c, const std::string& v) {
         c.options.file_type = v;
         return zelnor::ImageTypeFromName(v) != zelnor::itUnknown;
       }},
      {"--size",
       [](ConvertCommand& c, const std::string& v) {
         return ParsePair(v, 'x', 1, 1, 65535, c.options.width, c.options.height);
       }},
      {"--gamma", [](ConvertCommand& c, const std::string& v) { return SetRange(c.options.gamma, v, 0, 2); }},
      {"--contrast",
       [](ConvertCommand& c, const std::string& v) { return SetRange(c.options.contrast, v, 0, 100); }},
      {"--jpeg-quality",
       [](ConvertCommand& c, const std::string& v) { return SetRange(c.codec.jpeg_quality, v, 1, 100); }},
      {"--png-level", [](ConvertCommand& c,
                         const std::string& v) { return SetRange(c.codec.png_compression_level, v, 0, 9); }},
      {"--gif-mode", [](ConvertCommand& c,
                        const std::string& v) { return SetRange(c.codec.gif_compression_mode, v, 0, 1); }},
      {"--jobs", [](ConvertCommand& c, const std::string& v) { return SetRange(c.jobs, v, 1, 1024); }},
      {"--shard",
       [](ConvertCommand& c, const std::string& v) {
         return ParsePair(v, '/', 1, 1, 1 << 20, c.shard_index, c.shard_count) &&
                c.shard_index <= c.shard_count;
       }},
      {"--files-from", [](ConvertCommand& c, const std::string& v) { return c.files_from = v, !v.empty(); }},
  };
  return table;
}

const std::map<std::string, bool ConvertCommand::*, std::less<>>& CommandFlags() {
  static const std::map<std::string, bool ConvertCommand::*, std::less<>> table = {
      {"--null", &ConvertCommand::null_separated},
      {"-0", &ConvertCommand::null_separated},
      {"--quiet", &ConvertCommand::quiet},
      {"-q", &ConvertCommand::quiet},
      {"--verbose", &ConvertCommand::verbose},
      {"-v", &ConvertCommand::verbose},
      {"--list", &ConvertCommand::list_only},
      {"--help", &ConvertCommand::help},
      {"-h", &ConvertCommand::help},
  };
  return table;
}

const std::map<std::string, bool zelnor::ConvertOptions::*, std::less<>>& PictureFlags() {
  static const std::map<std::string, bool zelnor::ConvertOptions::*, std::less<>> table = {
      {"--hiq", &zelnor::ConvertOptions::hiq},     {"--exact", &zelnor::ConvertOptions::not_thumb_mode},
      {"--sharp", &zelnor::ConvertOptions::sharp}, {"--dull", &zelnor::ConvertOptions::dull},
      {"--draft", &zelnor::ConvertOptions::draft},
  };
  return table;
}

// One option at args[i] (and its value, which may follow as "--name=value"
// or as the next argument); advances i past what it used.
bool ParseOption(const std::vector<std::string>& args, size_t& i, ConvertCommand& c, std::string& error) {
  const std::string& arg = args[i];
  const size_t eq = arg.find('=');
  const std::string name = arg.substr(0, eq);
  if (eq == std::string::npos) {
    if (const auto f = CommandFlags().find(name); f != CommandFlags().end()) return c.*(f->second) = true;
    if (const auto f = PictureFlags().find(name); f != PictureFlags().end())
      return c.options.*(f->second) = true;
    if (name == "--progressive") return c.codec.jpeg_progressive = true;
  }
  const auto setter = ValueOptions().find(name);
  if (setter == ValueOptions().end()) return error = "unknown option " + name, false;
  std::string value;
  if (eq != std::string::npos) {
    value = arg.substr(eq + 1);
  } else if (i + 1 < args.size()) {
    value = args[++i];
  } else {
    return error = name + " needs a value", false;
  }
  if (!setter->second(c, value)) return error = "bad value for " + name + ": '" + value + "'", false;
  return true;
}

}  // namespace

bool ParseConvertCommand(const std::vector<std::string>& args, ConvertCommand& command, std::string& error) {
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      if (!ParseOption(args, i, command, error)) return false;
    } else {
      command.sources.push_back(arg);
    }
  }
  if (command.help) return true;
  if (command.sources.empty() == command.files_from.empty())
    return error = "name the files to convert: SOURCE... or --files-from LIST (not both)", false;
  if (command.null_separated && command.files_from.empty()) return error = "--null needs --files-from", false;
  return true;
}

}  // namespace convert_cli
