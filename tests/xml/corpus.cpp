#include "corpus.h"

#include <cstdint>
#include <random>

namespace {

const char* const kNames[] = {"Receipt", "Item", "Payment", "Tax", "Discount", "Line", "a", "B_1", "x-y.z", "n:s"};
const char* const kAttrNames[] = {"Name", "Price", "Quantity", "Code", "Text", "Sum", "id", "v"};

// Text pieces: plain, markup characters, control bytes, UTF-8 Cyrillic.
const char* const kPieces[] = {"abc", " ", "&", "<", ">", "\"", "'", "\t", "\r\n", "\n", "\x01", "]]>",
                               "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "1.50", "  x  ", "="};

class tRandom {
 public:
  explicit tRandom(uint32_t seed) : engine_(seed) {}
  uint32_t Below(uint32_t n) { return uint32_t(engine_() % n); }
  std::string Text(int pieces) {
    std::string text;
    for (int i = 0; i < pieces; ++i) text += kPieces[Below(sizeof kPieces / sizeof kPieces[0])];
    return text;
  }

 private:
  std::mt19937 engine_;
};

void FillRandom(TXmlNode& parent, tRandom& random, int depth) {
  int children = int(random.Below(depth > 3 ? 2 : 5));
  for (int i = 0; i < children; ++i) {
    IXmlElement element = parent.AppendElement(kNames[random.Below(10)]);
    for (uint32_t a = random.Below(4); a > 0; --a)
      element->SetAttr(kAttrNames[random.Below(8)], random.Text(int(random.Below(4))));
    switch (random.Below(4)) {
      case 0: element->SetNodeText(random.Text(1 + int(random.Below(3)))); break;
      case 1: FillRandom(*element, random, depth + 1); break;
      case 2: element->SetIntAttr("Count", int64_t(random.Below(100000)) - 50000); break;
      default: break;
    }
  }
}

IXmlDocument TypedExample() {
  IXmlDocument document = NewXmlDocument("Root", "1.0", "utf-8");
  document->DocumentElement()->AppendElement("A")->SetAttr("x", "1");
  return document;
}

IXmlDocument Escaping() {
  IXmlDocument document = NewXmlDocument("Escaping");
  IXmlElement root = document->DocumentElement();
  const std::string special = "a&b<c>d\"e'f\tg\r\nh\x01i\x1Fj\x7Fk";
  root->SetAttr("Value", special);
  root->AppendElement("Text")->SetNodeText(special);
  root->AppendElement("Empty")->SetAttr("Value", "");
  root->AppendElement("Apostrophe")->SetAttr("Value", "it's");
  return document;
}

IXmlDocument FiscalLike() {
  IXmlDocument document = NewXmlDocument("FiscalDocument");
  IXmlElement root = document->DocumentElement();
  IXmlElement receipt = root->AppendElement("Receipt");
  receipt->SetIntAttr("DocNumber", 1234);
  receipt->SetBoolAttr("LastBill", true);
  receipt->SetDateTimeAttr("Time", tXmlDateTime::Encode(2024, 2, 29, 23, 59, 58));
  receipt->SetAttr("Guid", "{0F8FAD5B-D9CB-469F-A165-70867728950E}");
  for (int i = 0; i < 3; ++i) {
    IXmlElement item = receipt->AppendElement("Item");
    item->SetAttr("Name", "\xD0\xA1\xD0\xB0\xD0\xBB\xD0\xB0\xD1\x82 " + std::to_string(i));
    item->SetIntAttr("Quantity", 1500 * (i + 1));
    item->SetIntAttr("PricePerOne", -99 * i);
    item->SetFloatAttr("Ratio", 0.1 * i);
    item->SetHexAttr("Flags", 0x1F << i, 4);
  }
  receipt->AppendElement("Payment")->SetChildText("Sum", "4500");
  return document;
}

IXmlDocument Cyrillic1251() {
  IXmlDocument document = NewXmlDocument("Document", "1.0", "windows-1251");
  IXmlElement root = document->DocumentElement();
  root->SetAttr("Text", "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0 \xA8\xB8");  // "Привет, мир Ёё"
  root->AppendElement("\xC8\xEC\xFF")->SetNodeText("\xD2\xE5\xEA\xF1\xF2 \xB9 5");  // <Имя>Текст № 5
  return document;
}

IXmlDocument Dos866() {
  IXmlDocument document = NewXmlDocument("Document", "1.0", "IBM866");
  document->DocumentElement()->SetAttr("Text", "\x8F\xE0\xA8\xA2\xA5\xE2 \xF0\xF1");  // "Привет Ёё"
  return document;
}

IXmlDocument CDataSplitting() {
  IXmlDocument document = NewXmlDocument("CData");
  IXmlElement root = document->DocumentElement();
  root->AppendCDATA("plain <markup> & text");
  root->AppendElement("Split")->ReplaceTextByCDATA("a]]>b]]>]]>c]]");
  root->AppendElement("Edge")->ReplaceTextByCDATA("]]>");
  return document;
}

IXmlDocument Base64Content() {
  IXmlDocument document = NewXmlDocument("Raw");
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += char(i * 7);
  IXmlElement block = document->DocumentElement()->AppendElement("RawBlock");
  block->SetAttr("Encoding", "Base64");
  block->ReplaceTextByBase64(bytes, 80);
  return document;
}

IXmlDocument MixedContent() {
  IXmlDocument document = NewXmlDocument("Mixed");
  IXmlElement root = document->DocumentElement();
  root->AppendText("before");
  root->AppendElement("b")->SetNodeText("bold");
  root->AppendText("after");
  root->AppendComment(" a comment ");
  root->AppendInstruction("target", "some data");
  root->AppendElement("line")->AppendText("one");
  return document;
}

IXmlDocument DeepAndWide() {
  IXmlDocument document = NewXmlDocument("Deep");
  IXmlNode node = document->DocumentElement();
  for (int i = 0; i < 60; ++i) node = node->AppendElement("Level" + std::to_string(i % 7));
  node->SetNodeText("bottom");
  IXmlElement wide = document->DocumentElement()->AppendElement("Wide");
  for (int i = 0; i < 1000; ++i) wide->AppendElement("I")->SetIntAttr("n", i);
  return document;
}

IXmlDocument KeptLayout() {
  IXmlDocument document = NewXmlDocument("Layout");
  document->SetPreserveWhiteSpace(true);
  IXmlElement root = document->DocumentElement();
  root->AppendText("  lead and trail  ");
  root->AppendElement("In")->SetNodeText(" x ");
  return document;
}

}  // namespace

std::vector<tCorpusDocument> BuildCorpus() {
  std::vector<tCorpusDocument> corpus = {
      {"typed-example", TypedExample()}, {"escaping", Escaping()},     {"fiscal", FiscalLike()},
      {"cp1251", Cyrillic1251()},      {"cp866", Dos866()},          {"cdata", CDataSplitting()},
      {"base64", Base64Content()},     {"mixed", MixedContent()},    {"deep-wide", DeepAndWide()},
      {"layout", KeptLayout()},
  };
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    tRandom random(seed);
    IXmlDocument document = NewXmlDocument("Random");
    FillRandom(*document->DocumentElement(), random, 0);
    corpus.push_back({"random-" + std::to_string(seed), document});
  }
  return corpus;
}

std::string DumpTrim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && uint8_t(text[begin]) <= 0x20) ++begin;
  while (end > begin && uint8_t(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

std::string DumpEscape(const std::string& utf8, bool normalizeLineBreaks) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    uint8_t c = uint8_t(utf8[i]);
    if (normalizeLineBreaks && c == '\r') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
      c = '\n';
    }
    if (c < 0x20 || c == '\\') {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

namespace {

// The bytes that the text form drops from escaped texts.
std::string WithoutDroppedBytes(const std::string& text) {
  std::string kept;
  for (char c : text)
    if (uint8_t(c) >= 0x20 || c == '\t' || c == '\r' || c == '\n') kept += c;
  return kept;
}

void DumpNodes(const TXmlNode& parent, uint32_t codePage, bool asWritten, std::string& out) {
  auto utf8 = [codePage](const std::string& text) { return CodePageToUtf8(text, codePage); };
  auto escaped = [&](const std::string& text) { return asWritten ? WithoutDroppedBytes(text) : text; };
  std::string run;
  auto flush = [&] {
    std::string text = DumpTrim(utf8(run));
    if (!text.empty()) out += "T " + DumpEscape(text, true) + "\n";
    run.clear();
  };
  IXmlNodeList childs = parent.ChildNodes();
  for (int32_t i = 0; i < childs->Count(); ++i) {
    IXmlNode child = childs->Item(i);
    int32_t type = child->NodeType();
    if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
      TXmlText* text = child.As<TXmlText>().get();
      run += text ? (text->IsRaw() ? text->Value().Text(codePage) : escaped(text->Value().Text(codePage)))
                  : child->NodeText();
      continue;
    }
    flush();
    if (type == NODE_COMMENT) {
      out += "C " + DumpEscape(utf8(child.As<TXmlComment>()->Data()), true) + "\n";
    } else if (type == NODE_PROCESSING_INSTRUCTION) {
      if (child->NodeNameId() != TXmlNameTable::kXml)
        out += "P " + utf8(child->NodeName()) + " " + DumpEscape(utf8(child->NodeText()), true) + "\n";
    } else if (type == NODE_ELEMENT) {
      out += "E " + utf8(child->NodeName()) + "\n";
      for (int32_t a = 0; a < child->AttrCount(); ++a)
        out += "A " + utf8(child->AttrName(a)) + "=" +
               DumpEscape(utf8(escaped(child->AttrValueAt(a)->Text(codePage))), false) + "\n";
      DumpNodes(*child, codePage, asWritten, out);
      out += "/E\n";
    }
  }
  flush();
}

}  // namespace

std::string DumpModel(const IXmlDocument& document, bool asWritten) {
  std::string out;
  DumpNodes(*document, document->CodePage(), asWritten, out);
  return out;
}
