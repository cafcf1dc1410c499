// The parameter service binding over the real stand-in library, configured
// by a text file as tests and the demo do.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"
#include "support/test_files.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "standart/pos_callback.h"

namespace {

using TLoadConfig = void(ZEF_STDCALL*)(const char*);

class HostParamsTest : public ::testing::Test {
 protected:
  void Configure(const std::string& text) {
    if (dir_.empty()) dir_ = test_files::UniqueTempDir("host_params_test_");
    path_ = dir_ + "params.cfg";
    ASSERT_TRUE(platform::WriteWholeFile(path_, text));
    HostParams::Reset();
    ASSERT_TRUE(HostParams::Available()) << platform::LastLoadError();
    auto lib = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
    auto load = reinterpret_cast<TLoadConfig>(platform::FindFunction(lib, "ParamsLoadConfig"));
    ASSERT_NE(load, nullptr);
    load(path_.c_str());
  }
  void TearDown() override {
    if (!dir_.empty()) test_files::RemoveTree(dir_);
  }
  std::string dir_, path_;
};

TEST_F(HostParamsTest, DeviceParametersByModuleNumberAndIndex) {
  std::string own = HostParams::AdapterFileName();
  Configure("[device * 0]\n0 = emulator.so\n5 = 3\n[device " + own + " 1]\n0 = other.so\n7 = text\n7:value = 99\n");
  uint32_t value = 0;
  std::string text;
  ASSERT_TRUE(HostParams::DeviceParam(0, 0, value, text));
  EXPECT_EQ(text, "emulator.so");
  ASSERT_TRUE(HostParams::DeviceParam(0, 5, value, text));
  EXPECT_EQ(value, 3u);
  EXPECT_EQ(text, "3");
  ASSERT_TRUE(HostParams::DeviceParam(1, 7, value, text));
  EXPECT_EQ(text, "text");
  EXPECT_EQ(value, 99u);
  EXPECT_FALSE(HostParams::DeviceParam(0, 6, value, text));
  EXPECT_FALSE(HostParams::DeviceParam(2, 0, value, text));
}

TEST_F(HostParamsTest, PortHostBlobsAndTranslations) {
  Configure("[device * 3]\n-1 = porthost.so 0x0301\n1 = @text <a b=\"1\"/>\n[translate]\nHello = Privet\n");
  uint32_t value = 0;
  std::string text;
  ASSERT_TRUE(HostParams::DeviceParam(3, -1, value, text));
  EXPECT_EQ(text, "porthost.so");
  EXPECT_EQ(value, 0x0301u);
  ASSERT_TRUE(HostParams::DeviceParam(3, 1, value, text));
  ASSERT_EQ(text.size(), 5u);
  EXPECT_EQ(text[0], '\x01');
  uint32_t length;
  std::memcpy(&length, text.data() + 1, 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(uintptr_t(value)), length), "<a b=\"1\"/>");
  EXPECT_EQ(HostParams::Translate("Hello"), "Privet");
  EXPECT_EQ(HostParams::Translate("Unknown"), "Unknown");
}

TEST_F(HostParamsTest, ReferenceObjectsAndProcessValues) {
  Configure("[service]\nknown = 52 10\n[ref 52]\n7 = Cash\n7.PayType = 1\n[values]\n*IntCallback = 1234\n");
  uint32_t value = 0;
  std::string text;
  EXPECT_TRUE(HostParams::Get("*_RefProp#", 0, 52, value, text));
  EXPECT_FALSE(HostParams::Get("*_RefProp#", 0, 53, value, text));
  value = 7;
  text = "PayType";
  ASSERT_TRUE(HostParams::Get("*_RefProp#", 1, 52, value, text));
  EXPECT_EQ(text, "1");
  value = 7;
  ASSERT_TRUE(HostParams::Get("*_RefName#", 0, 52, value, text));
  EXPECT_EQ(text, "Cash");
  ASSERT_TRUE(HostParams::Get("*IntCallback", 0, 0, value, text));
  EXPECT_EQ(value, 1234u);
}

// A property value spread over lines (a dish's barcodes, a tab before each
// multiplier) is written on one line of the file with escapes; a backslash
// that starts no escape stays, as do the other sections' texts.
TEST_F(HostParamsTest, ReferencePropertiesTakeEscapes) {
  Configure("[ref 1]\n4103.BarCodesFullInfo = 4601234000019\\t6\\r\\n4601234000026\\n\n"
            "4104.Path = C:\\\\menu\\x\\\n[translate]\nTab\\t = Tab\\tX\n");
  uint32_t value = 4103;
  std::string text = "BarCodesFullInfo";
  ASSERT_TRUE(HostParams::Get("*_RefProp#", 1, 1, value, text));
  EXPECT_EQ(text, "4601234000019\t6\r\n4601234000026\n");
  value = 4104;
  text = "Path";
  ASSERT_TRUE(HostParams::Get("*_RefProp#", 1, 1, value, text));
  EXPECT_EQ(text, "C:\\menu\\x\\");
  EXPECT_EQ(HostParams::Translate("Tab\\t"), "Tab\\tX");
}

TEST_F(HostParamsTest, ScriptedOperatorAnswersInOrder) {
  Configure("[answers * 0]\nmessage = 2\nquestion = 4 3\n");
  uint8_t record[791] = {};
  record[4] = 1;  // question
  uint32_t address = uint32_t(uintptr_t(record));
  std::string text;
  int32_t answers[3];
  for (int32_t& a : answers) {
    ASSERT_TRUE(HostParams::DeviceParam(0, -12, address, text));
    std::memcpy(&a, record + 783, 4);
  }
  EXPECT_EQ(answers[0], 4);
  EXPECT_EQ(answers[1], 3);
  EXPECT_EQ(answers[2], 3);  // the last answer repeats
  EXPECT_FALSE(HostParams::DeviceParam(1, -12, address, text));
}

// Text properties of POS objects through the host interface: read whole up
// to 255 bytes, and only where the object has one by that name.
TEST_F(HostParamsTest, TextPropertiesOfPOSObjects) {
  Configure("[object 138 501]\nGUIDString = {A1B2C3D4-0000-4000-8000-00000000000A}\nStatus = 1\n"
            "[object 5 601]\nGUIDString = " + std::string(300, 'g') + "\n");
  uint32_t callback = 0;
  std::string text;
  ASSERT_TRUE(HostParams::Get("*IntCallback", 0, 0, callback, text));
  PosHost::tHost host(callback);
  std::string value;
  ASSERT_TRUE(host.ObjectTextProp(501, "GUIDString", value));
  EXPECT_EQ(value, "{A1B2C3D4-0000-4000-8000-00000000000A}");
  ASSERT_TRUE(host.ObjectTextProp(601, "GUIDString", value));
  EXPECT_EQ(value, std::string(255, 'g'));
  value = "kept";
  EXPECT_FALSE(host.ObjectTextProp(501, "Status", value)) << "an integer property is no text";
  EXPECT_FALSE(host.ObjectTextProp(502, "GUIDString", value)) << "no such object";
  EXPECT_EQ(value, "kept");
  EXPECT_FALSE(PosHost::tHost(0).ObjectTextProp(501, "GUIDString", value));
}

TEST(HostParamsOverride, NoServiceMeansUnanswered) {
  HostParams::OverrideFunction(nullptr);
  uint32_t v = 0;
  std::string t = "x";
  EXPECT_FALSE(HostParams::Get("*Translate", 0, 0, v, t));
  EXPECT_EQ(HostParams::Translate("x"), "x");
  HostParams::Reset();
}

}  // namespace

namespace {

using TTakeUnlisted = int32_t(ZEF_STDCALL*)(char* buffer, int32_t size);

std::string TakeUnlisted() {
  auto lib = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
  auto take = reinterpret_cast<TTakeUnlisted>(platform::FindFunction(lib, "ParamsTakeUnlisted"));
  char buffer[4096] = {};
  return take ? (take(buffer, int32_t(sizeof buffer)), std::string(buffer)) : std::string("no ParamsTakeUnlisted");
}

// The service answers only the forms the POS answers; everything else is
// false, even where the configuration has an answer, and is recorded once
// with the module that asked. Loading a configuration keeps the record.
TEST_F(HostParamsTest, RequestsThePosDoesNotAnswerAreFalseAndRecorded) {
  const std::string own = HostParams::AdapterFileName();
  Configure("[device * 0]\n0 = emulator.so\n[device * 256]\n0 = emulator.so\n[device BillAlways 0]\n0 = 2\n"
            "[system]\nThisServerIdent = 1\n[values]\n*Other = 5\n*IntCallback = 77\n"
            "[translate]\nHello = Privet\n[ref 52]\n7 = Cash\n7.Name = Cash\n");
  uint32_t value = 0;
  std::string text;
  auto ask = [&](const std::string& name, int32_t number, int32_t index) {
    value = 7;
    text = "Name";
    return HostParams::Get(name, number, index, value, text);
  };
  EXPECT_FALSE(ask("#SYS#ThisServerIdent", 0, 0));
  EXPECT_FALSE(ask("BillAlways", 0, 0)) << "a device request under another module's name";
  EXPECT_FALSE(ask("*Other", 0, 0));
  EXPECT_FALSE(ask("*IntCallback", 1, 0));
  EXPECT_FALSE(ask("*Translate", 0, 1));
  EXPECT_FALSE(ask("*_RefName#", 1, 52));
  EXPECT_FALSE(ask("*_RefProp#", 2, 52));
  EXPECT_FALSE(ask(own, 256, 0));
  EXPECT_FALSE(ask(own, 0, -5));
  Configure("[device * 0]\n0 = emulator.so\n");
  EXPECT_FALSE(ask("#SYS#ThisServerIdent", 0, 0)) << "recorded once";
  const std::string from =
      " from " + platform::FileNameOf(platform::ModulePathOf(reinterpret_cast<const void*>(&TakeUnlisted))) + "\n";
  EXPECT_EQ(TakeUnlisted(), "GetParamValue(\"#SYS#ThisServerIdent\", 0, 0)" + from +
                                "GetParamValue(\"BillAlways\", 0, 0)" + from + "GetParamValue(\"*Other\", 0, 0)" + from +
                                "GetParamValue(\"*IntCallback\", 1, 0)" + from +
                                "GetParamValue(\"*Translate\", 0, 1)" + from +
                                "GetParamValue(\"*_RefName#\", 1, 52)" + from +
                                "GetParamValue(\"*_RefProp#\", 2, 52)" + from + "GetParamValue(\"" + own +
                                "\", 256, 0)" + from + "GetParamValue(\"" + own + "\", 0, -5)" + from);
  EXPECT_EQ(TakeUnlisted(), "");
}

// Each listed form, answered from the configuration, records nothing.
TEST_F(HostParamsTest, TheListedFormsAreAnswered) {
  const std::string own = HostParams::AdapterFileName();
  Configure("[device * 255]\n0 = emulator.so\n-1 = host.so 3\n[answers * 255]\nmessage = 2\ninput = 7\n"
            "[values]\n*IntCallback = 77\n*Text2BaseLangAddr = 88\n[translate]\nHello = Privet\n"
            "[service]\nknown = 52\n[ref 52]\n7 = Cash\n7.Name = Cash\n");
  uint32_t value = 0;
  std::string text;
  EXPECT_TRUE(HostParams::DeviceParam(255, 0, value, text));
  EXPECT_TRUE(HostParams::DeviceParam(255, -1, value, text));
  EXPECT_TRUE(HostParams::DeviceParam(255, -2, value, text));
  EXPECT_TRUE(HostParams::DeviceParam(255, -11, value, text));
  EXPECT_TRUE(HostParams::Get("*IntCallback", 0, 0, value, text));
  EXPECT_TRUE(HostParams::Get("*Text2BaseLangAddr", 0, 0, value, text));
  EXPECT_EQ(HostParams::Translate("Hello"), "Privet");
  EXPECT_TRUE(HostParams::Get("*_RefProp#", 0, 52, value, text));
  value = 7;
  text = "Name";
  EXPECT_TRUE(HostParams::Get("*_RefProp#", 1, 52, value, text));
  value = 7;
  EXPECT_TRUE(HostParams::Get("*_RefName#", 0, 52, value, text));
  EXPECT_EQ(TakeUnlisted(), "");
}

// The system values are the host interface's: integers where the value is
// a number, every one as text (256 bytes at most); the POS's settings
// ("BillAlways") are its integer values.
TEST_F(HostParamsTest, SystemValuesThroughTheHostInterface) {
  Configure("[system]\nThisServerIdent = 1\nMidServVersion = 7.0.30.0\nLong = " + std::string(300, 'v') +
            "\n[host]\nBillAlways = 2\n");
  uint32_t callback = 0;
  std::string text;
  ASSERT_TRUE(HostParams::Get("*IntCallback", 0, 0, callback, text));
  PosHost::tHost host(callback);
  int32_t number = 0;
  ASSERT_TRUE(host.IntValue("#SYS#ThisServerIdent", number));
  EXPECT_EQ(number, 1);
  ASSERT_TRUE(host.IntValue("BillAlways", number));
  EXPECT_EQ(number, 2);
  EXPECT_FALSE(host.IntValue("#SYS#MidServVersion", number)) << "a version is no integer";
  EXPECT_FALSE(host.IntValue("#SYS#UserRegistered", number));
  std::string value;
  ASSERT_TRUE(host.TextValue("#SYS#MidServVersion", value));
  EXPECT_EQ(value, "7.0.30.0");
  ASSERT_TRUE(host.TextValue("#SYS#Long", value));
  EXPECT_EQ(value, std::string(255, 'v'));
  value = "kept";
  EXPECT_FALSE(host.TextValue("#SYS#UserRegistered", value));
  EXPECT_EQ(value, "kept");
  EXPECT_FALSE(PosHost::tHost(0).TextValue("#SYS#MidServVersion", value));
}

}  // namespace
