#include "orderstream.h"

#include <stdexcept>

#include "posdata/compreader.h"
#include "posdata/pdstream.h"
#include "posdata/varstream.h"

namespace orderwriter {
namespace {

constexpr uint16_t kResourceMemoryFlags = 0x1030;  // moveable, pure, discardable

class ComponentWriter {
 public:
  explicit ComponentWriter(TPDWriteStream& out) : out_(out) {}

  void ShortString(const std::string& s) {
    if (s.size() > 255) throw std::invalid_argument("name longer than 255 bytes: " + s);
    out_.WriteByte(uint8_t(s.size()));
    out_.WriteBytes(s);
  }
  void Name(const std::string& name) { ShortString(name); }
  void End() { out_.WriteByte(vaNull); }

  // The smallest integer tag that holds the value, as the POS writes them.
  void Integer(const std::string& name, int32_t v) {
    Name(name);
    if (v >= -128 && v <= 127) {
      out_.WriteByte(vaInt8);
      out_.WriteByte(uint8_t(int8_t(v)));
    } else if (v >= -32768 && v <= 32767) {
      out_.WriteByte(vaInt16);
      out_.WriteInt16(int16_t(v));
    } else {
      out_.WriteByte(vaInt32);
      out_.WriteInt32(v);
    }
  }
  void String(const std::string& name, const std::string& v) {
    Name(name);
    if (v.size() <= 255) {
      out_.WriteByte(vaString);
      out_.WriteByte(uint8_t(v.size()));
    } else {
      out_.WriteByte(vaLString);
      out_.WriteInt32(int32_t(v.size()));
    }
    out_.WriteBytes(v);
  }
  void StringIfSet(const std::string& name, const std::string& v, const std::string& fallback = {}) {
    if (!v.empty() && v != fallback) String(name, v);
  }
  void IntegerIfSet(const std::string& name, int32_t v) {
    if (v != 0) Integer(name, v);
  }
  void Boolean(const std::string& name, bool v) {
    Name(name);
    out_.WriteByte(v ? vaTrue : vaFalse);
  }
  void Ident(const std::string& name, const std::string& v) {
    Name(name);
    out_.WriteByte(vaIdent);
    ShortString(v);
  }
  void Binary(const std::string& name, const std::string& bytes) {
    Name(name);
    out_.WriteByte(vaBinary);
    out_.WriteInt32(int32_t(bytes.size()));
    out_.WriteBytes(bytes);
  }
  template <class Items, class WriteItem>
  void Collection(const std::string& name, const Items& items, WriteItem writeItem) {
    Name(name);
    out_.WriteByte(vaCollection);
    for (const auto& item : items) {
      out_.WriteByte(vaList);
      writeItem(item);
      End();
    }
    End();
  }

 private:
  TPDWriteStream& out_;
};

void WriteColumn(ComponentWriter& w, const std::string& p, const ColumnDesc& c) {
  w.StringIfSet(p + "FieldName", c.FieldName);
  w.Ident(p + "VarType", VarTypeName(c.VarType));
  w.StringIfSet(p + "Caption", c.Caption, c.FieldName);
  w.IntegerIfSet(p + "RefColNum", c.RefColNum);
  w.IntegerIfSet(p + "LinkTable", c.LinkTable);
  if (!c.Visible) w.Boolean(p + "Visible", false);
  w.StringIfSet(p + "AliasInfo", c.AliasInfo, c.FieldName);
  w.StringIfSet(p + "Desc", c.Desc);
  w.StringIfSet(p + "UserName", c.UserName, c.FieldName);
  w.StringIfSet(p + "Expression", c.Expression);
}

size_t ReferenceColumns(const DataSetDesc& d) {
  size_t n = 0;
  for (const ColumnDesc& c : d.Columns) n += c.RefColNum != 0;
  return n;
}

std::string RecordData(const DataSetDesc& d) {
  TPDWriteStream data;
  for (const auto& record : d.Records) {
    if (record.size() != d.Columns.size())
      throw std::invalid_argument("dataset " + d.Name + ": a record does not match the columns");
    for (const VarType& cell : record) WriteValue(data, cell);
  }
  if (d.StreamVersion != 2) return data.Data();
  data.WriteByte(d.AliasesReady ? 1 : 0);
  if (!d.AliasesReady) return data.Data();
  const size_t refs = ReferenceColumns(d);
  if (d.AliasNames.size() != d.Records.size())
    throw std::invalid_argument("dataset " + d.Name + ": reference names missing for some records");
  for (const auto& names : d.AliasNames) {
    if (names.size() != refs)
      throw std::invalid_argument("dataset " + d.Name + ": one name per reference column expected");
    for (const std::string& name : names) {
      VarType v;
      v.SetString(name);
      WriteValue(data, v);
    }
  }
  return data.Data();
}

void WriteDataSet(ComponentWriter& w, const DataSetDesc& d) {
  const std::string p = "DataSet.";
  w.StringIfSet("ObjClass", d.ObjClass);
  w.StringIfSet(p + "Name", d.Name);
  w.StringIfSet(p + "Caption", d.Caption, d.Name);
  w.IntegerIfSet(p + "RefColNum", d.RefColNum);
  w.Collection(p + "FieldDefs", d.Columns, [&](const ColumnDesc& c) { WriteColumn(w, "", c); });
  w.Integer(p + "RawRecCount", int32_t(d.Records.size()));
  w.Integer(p + "AliasInfo", d.AliasInfo);
  w.Integer(p + "StreamVersion", d.StreamVersion);
  w.Boolean(p + "OneRowDataset", d.OneRowDataset);
  w.Binary(p + "Data", RecordData(d));
}

std::string ComponentStream(const OrderDesc& order) {
  TPDWriteStream out;
  out.WriteBytes("TPF0");
  ComponentWriter w(out);
  w.ShortString(order.ClassName);
  w.ShortString(order.ObjectName);
  w.IntegerIfSet("Tag", order.Tag);
  w.Collection("Links", order.Links, [&](const LinkDesc& l) {
    w.StringIfSet("MasterTable", l.MasterTable);
    w.StringIfSet("ChildTable", l.ChildTable);
    w.StringIfSet("MasterField", l.MasterField);
    w.StringIfSet("ChildField", l.ChildField);
  });
  w.Collection("DataSets", order.DataSets, [&](const DataSetDesc& d) { WriteDataSet(w, d); });
  w.Integer("StreamVersion", order.StreamVersion);
  w.End();  // properties
  w.End();  // child components
  return out.Data();
}

}  // namespace

std::string WriteOrderStream(const OrderDesc& order) {
  const std::string body = ComponentStream(order);
  TPDWriteStream out;
  out.WriteByte(0xFF);
  out.WriteByte(0x0A);  // resource type 10, binary data
  out.WriteByte(0x00);
  out.WriteBytes(order.ResourceName);
  out.WriteByte(0);
  out.WriteInt16(int16_t(kResourceMemoryFlags));
  out.WriteInt32(int32_t(body.size()));
  out.WriteBytes(body);
  return out.Data();
}

}  // namespace orderwriter
