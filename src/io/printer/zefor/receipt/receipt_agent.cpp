// The seller's data of what the restaurant sells for someone else (a
// partner's goods on commission, an agent's services): the POS classifies
// the item into a group of the classification named by the system value
// "EntityClassification", and that group names the seller. The register
// gets the agent kind, the seller's name and phone, and the seller's
// taxpayer number as tags of the item.
#include <string>

#include "io/printer/zefor/host/pos_objects.h"
#include "io/printer/zefor/receipt/receipt_build.h"
#include "io/printer/zefor/zefor.h"

namespace ReceiptBuild {

namespace {

constexpr int32_t kGroupClass = 8;
constexpr int32_t kEntityClass = 100;
constexpr size_t kTaxpayerNumberWidth = 12;

enum : int32_t { kTagAgentKind = 1222, kTagSupplier = 1224, kTagSupplierName = 1225, kTagSupplierPhone = 1171,
                 kTagSupplierNumber = 1226 };

// The object that a property names by its identifier; 0 when it names none.
int32_t LinkedObject(int32_t cls, int32_t id, const std::string& property) {
  return id == 0 ? 0 : PosObjects::IntegerOr(PosObjects::PropertyText(cls, id, property), 0);
}

void AppendTag(const IXmlElement& parent, const char* type, int32_t tag, const std::string& value) {
  IXmlElement e = parent->AppendElement(type);
  e->SetIntAttr("Id", tag);
  e->SetAttr("Value", value);
}

// The entity that sells the item (POS object `kind`/`id`) through the group
// it belongs to under the seller classification; 0 when there is none.
int32_t SellerEntity(tReceiptBuild& b, int32_t kind, int32_t id) {
  if (b.SellerClassification < 0) {
    int32_t classification = 0;
    const bool named = b.Reg.PosIntValue("#SYS#EntityClassification", classification);
    b.SellerClassification = named && classification > 0 ? classification : 0;
  }
  if (b.SellerClassification == 0) return 0;
  const int32_t group = LinkedObject(kind, id, "CLASSIFICATORGROUPS^" + std::to_string(b.SellerClassification));
  return LinkedObject(kGroupClass, group, "ENTITYDETAILS");
}

}  // namespace

void AddAgentData(tReceiptBuild& b, const IXmlElement& item, int32_t kind, int32_t id) {
  const int32_t entity = SellerEntity(b, kind, id);
  if (entity == 0) return;
  auto prop = [entity](const char* name) { return PosObjects::PropertyText(kEntityClass, entity, name); };
  const int32_t agentKind = PosObjects::IntegerOr(prop("AGENTKIND"), 0);
  const std::string name = prop("NAME"), altName = prop("ALTNAME"), phone = prop("PHONE");
  std::string taxpayerNumber = prop("VATIN");
  if (agentKind != 0)
    AppendTag(item->EnsureChild("RawTLVAttributes"), "TLVU08", kTagAgentKind, std::to_string(agentKind));
  if (!name.empty() || !phone.empty()) {
    IXmlElement supplier = item->EnsureChild("RawTLVAttributes")->AppendElement("STLV");
    supplier->SetIntAttr("Id", kTagSupplier);
    const bool alt = b.Reg.EffectiveSettings.UseAltNames && !altName.empty();
    if (!name.empty()) AppendTag(supplier, "TLVSTR", kTagSupplierName, b.Xml.Utf8(alt ? altName : name, true));
    if (!phone.empty()) AppendTag(supplier, "TLVSTR", kTagSupplierPhone, b.Xml.Utf8(TFSXml::PhoneRule(phone)));
  }
  if (!taxpayerNumber.empty()) {
    // A company's number has 10 digits, a person's 12: the tag is 12 wide.
    if (taxpayerNumber.size() < kTaxpayerNumberWidth) taxpayerNumber.resize(kTaxpayerNumberWidth, ' ');
    AppendTag(item->EnsureChild("RawTLVAttributes"), "TLVSTR", kTagSupplierNumber, b.Xml.Utf8(taxpayerNumber));
  }
}

}  // namespace ReceiptBuild
