#include "emu_print.h"

#include <cstdint>
#include <cstdlib>

namespace emu {

namespace {

// Characters of a UTF-8 text (lead bytes counted).
size_t Columns(const std::string& text) {
  size_t n = 0;
  for (char c : text)
    if ((uint8_t(c) & 0xC0) != 0x80) ++n;
  return n;
}

// The first `columns` characters and the rest.
std::string TakeColumns(std::string& text, size_t columns) {
  size_t at = 0, n = 0;
  while (at < text.size() && n < columns) {
    ++at;
    while (at < text.size() && (uint8_t(text[at]) & 0xC0) == 0x80) ++at;
    ++n;
  }
  std::string head = text.substr(0, at);
  text.erase(0, at);
  return head;
}

// Double width: every character followed by a blank.
std::string Widened(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    size_t end = at + 1;
    while (end < text.size() && (uint8_t(text[end]) & 0xC0) == 0x80) ++end;
    out.append(text, at, end - at);
    out += ' ';
    at = end;
  }
  return out;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < bytes.size() && i < 16; ++i) {
    out += digits[uint8_t(bytes[i]) >> 4];
    out += digits[uint8_t(bytes[i]) & 15];
  }
  return bytes.size() > 16 ? out + "..." : out;
}

class Printer {
 public:
  Printer(int width, PrintResult& result, bool slip) : width_(size_t(width)), result_(result), slip_(slip) {}

  void Text(const std::string& text, bool bigWidth, bool endLine) {
    line_ += bigWidth ? Widened(text) : text;
    while (Columns(line_) > width_) Out(TakeColumns(line_, width_));
    if (endLine) Flush(true);
  }
  void Labelled(const std::string& label) {
    Flush(false);
    Out("[" + label + "]");
  }
  void Feed(int lines) {
    Flush(false);
    for (int i = 0; i < lines; ++i) Out("");
  }
  void Cut() {
    Flush(false);
    const std::string label = " cut ";
    size_t left = width_ > label.size() ? (width_ - label.size()) / 2 : 0;
    size_t right = width_ > label.size() + left ? width_ - label.size() - left : 0;
    Out(std::string(left, '-') + label + std::string(right, '-'));
  }
  void Flush(bool always) {
    if (always || !line_.empty()) Out(line_);
    line_.clear();
  }

 private:
  // Blanks at the end of a line do not show on paper.
  void Out(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    result_.Tape += (slip_ ? "slip| " : "") + line + "\n";
  }

  size_t width_;
  PrintResult& result_;
  bool slip_;
  std::string line_;
};

bool On(const XmlNode& node, const char* name) { return node.Attr(name, "0") != "0"; }

bool PrintElement(const XmlNode& element, Printer& printer, PrintResult& result, std::string& error) {
  const std::string& name = element.Name;
  if (name == "TextLine" || name == "TextPart") {
    printer.Text(element.Attr("Text"), On(element, "BigWidth"), name == "TextLine");
  } else if (name == "TextBlock") {
    std::string text = element.Text;
    for (size_t at = 0; at <= text.size();) {
      size_t end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      printer.Text(text.substr(at, end - at), On(element, "BigWidth"), true);
      at = end + 2;
    }
  } else if (name == "BarCode") {
    std::string type = element.Attr("Type", "EAN-13");
    printer.Labelled((type == "QRCode" ? std::string("QR code") : "barcode " + type) + ": " + element.Attr("Value", "0"));
  } else if (name == "RawBlock") {
    std::string encoding = element.Attr("Encoding", "No"), bytes = element.Text;
    if (encoding == "Base64" && !DecodeBase64(element.Text, bytes)) {
      error = "RawBlock: bad Base64";
      return false;
    }
    printer.Labelled("raw " + std::to_string(bytes.size()) + " bytes " + Hex(bytes));
  } else if (name == "Pass") {
    printer.Feed(std::atoi(element.Attr("Lines", "0").c_str()) % 100);
  } else if (name == "Drawer") {
    ++result.DrawerOpens;
    printer.Labelled("drawer " + element.Attr("Number", "0") + " opened");
  } else if (name == "Beep") {
    printer.Labelled("beep");
  } else if (name == "Logo") {
    printer.Labelled("logo " + element.Attr("Number", "0"));
  }
  return true;  // Wait, AddInfo and unknown elements print nothing
}

}  // namespace

bool RenderUnfiscal(const XmlNode& root, int width, PrintResult& result, std::string& error) {
  if (root.Name != "Unfiscal") {
    error = "the root element is <" + root.Name + ">, not <Unfiscal>";
    return false;
  }
  Printer printer(width < 8 ? 8 : width, result, On(root, "Slip"));
  for (const XmlNode& element : root.Children)
    if (!PrintElement(element, printer, result, error)) return false;
  printer.Flush(false);
  if (On(root, "CutAfter")) printer.Cut();
  return true;
}

bool DisplayBytes(const XmlNode& root, std::string& bytes, std::string& error) {
  const XmlNode* raw = root.Child("RawBlock");
  if (root.Name != "Unfiscal" || !raw) {
    error = "a display document is <Unfiscal> with a <RawBlock>";
    return false;
  }
  if (raw->Attr("Encoding", "No") != "Base64") {
    bytes = raw->Text;
    return true;
  }
  if (DecodeBase64(raw->Text, bytes)) return true;
  error = "RawBlock: bad Base64";
  return false;
}

}  // namespace emu
