// Builds synthetic mapping tables of any size, the same for the same arguments, using every
// object type, for measurements and tests of large tables.
#include <array>
#include <climits>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "objects/Vocabulary.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem {
namespace {

/// The most RMT rows a generated DMT row may have.
constexpr int kMaxRmtPerRow = 1000;

/// The component types (those that offer ZynIDCIMpgComponent), in the order of Type.
constexpr auto kComponentTypes = [] {
  using namespace vocabulary;
  std::array<Type, 7> types{};
  std::size_t count = 0;
  for (int t = 0; t < kTypeCount; ++t)
    if (kTypeIfaces[t] & Bit(Iface::ZynIDCIMpgComponent)) types[count++] = static_cast<Type>(t);
  return count == types.size() ? types : throw "seven component types expected";
}();

/// A uuid that differs for every serial number.
ZynUuid UuidFor(std::uint64_t iSerial) {
  std::uint8_t bytes[16];
  const std::uint64_t mixed = iSerial * 0x9E3779B97F4A7C15ull ^ 0x5A17E5D0C0FFEE11ull;
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<std::uint8_t>(mixed >> (56 - 8 * i));
    bytes[8 + i] = static_cast<std::uint8_t>(iSerial >> (56 - 8 * i));
  }
  return ZynUuid(bytes);
}

/// iCount bytes that follow from iSeed; few distinct seeds keep the stored binaries few.
std::vector<std::uint8_t> BytesFor(std::uint64_t iSeed, int iCount) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(iCount));
  for (int i = 0; i < iCount; ++i) bytes[i] = static_cast<std::uint8_t>(iSeed * 37 + i * 11);
  return bytes;
}

std::string Numbered(const char* iLead, std::uint64_t iNumber, const char* iTail = "") {
  return iLead + std::to_string(iNumber) + iTail;
}

class Generator {
 public:
  Generator(Table& iTable, const GeneratedObjectAdjuster& iAdjust)
      : table_(iTable), adjust_(iAdjust) {}

  bool Run(long iRows, int iRmtPerRow, LoadedTable* oTable);

 private:
  MemObject* Create(Type iType) {
    MemObject* object = table_.Create(iType);
    if (!object) throw std::bad_alloc();
    if (adjust_) made_.push_back(object);
    return object;
  }
  MemObject* NewComponent(long iRow);
  MemObject* NewRMTRow(long iRow, int iIndex, MemObject* iNonM1, MemObject* const* iParts,
                       MemObject* iM1a, MemObject* iM1b);
  MemObject* NewDMTRow(long iRow, MemObject* iNonM1, MemObject* iM1,
                       const std::vector<MemObject*>& iRmtRows);

  Table& table_;
  const GeneratedObjectAdjuster& adjust_;
  std::vector<MemObject*> made_;  // kept only for adjust_
  std::uint64_t components_ = 0;
  std::uint64_t serial_ = 0;  // for uuids
};

MemObject* Generator::NewComponent(long iRow) {
  const std::uint64_t k = components_++;
  const int typeIndex =
      static_cast<int>((k + static_cast<std::uint64_t>(iRow)) % kComponentTypes.size());
  MemObject* component = Create(kComponentTypes[typeIndex]);
  component->SetInt(Op::GetComponentType, typeIndex);
  component->SetBinary(Op::GetExposedIdentifier, BytesFor(k % 1024, 4));
  component->SetUnsigned(Op::GetHashKey, static_cast<unsigned>(k * 2654435761u));
  switch (kComponentTypes[typeIndex]) {
    case Type::FileBasedComponent: {
      const std::string name = Numbered("part", k % 1000, ".zdoc");
      component->SetText(Op::GetName, name);
      component->SetUuid(Op::GetUuid, UuidFor(serial_++));
      component->SetText(Op::GetPathName, "/data/parts/" + name);
      component->SetText(Op::GetDocType, "ZynPart");
      component->SetText(Op::GetLastSavePath, "/data/parts");
      component->SetText(Op::GetLastSaveName, name);
      component->SetTime(Op::GetLastSaveTime, static_cast<std::time_t>(1700000000 + k % 100000));
      break;
    }
    case Type::RMTFileBasedComponent:
      component->SetOctets(Op::GetPX1Id, BytesFor(k % 4096, 6));
      component->SetText(Op::GetAlias, Numbered("alias", k % 500));
      component->SetText(Op::GetTechnoString, "ZynLink");
      component->SetOctets(Op::GetLinkSequence, BytesFor(k % 64, 3));
      component->SetBool(Op::IsBrokenLink, k % 9 == 0);
      component->SetText(Op::GetObjectType, "Link");
      break;
    case Type::OrvComponent:
      component->SetPLMID(Op::GetModelPLMID, BytesFor(k % 512, 4), Numbered("model", k % 512), "A");
      component->SetInt(Op::GetWorkspaceId, static_cast<int>(k % 16));
      component->SetInt(Op::GetElementId, static_cast<int>(k % INT_MAX));
      component->SetText(Op::GetWorkspaceUuid, Numbered("ws", k % 16));
      component->SetText(Op::GetElementUuid, Numbered("el", k % 1000));
      break;
    case Type::PellComponent:
    case Type::PellNonM1Component:
      component->SetPLMID(Op::GetPLMID, BytesFor(k % 512, 4), Numbered("item", k % 512), "B");
      if (k % 11 == 0)
        component->SetResult(Op::GetCEStamp, E_FAIL);
      else
        component->SetCEStamp(Op::GetCEStamp, ZynPLMCEStamp(Numbered("stamp", k % 100)));
      break;
    case Type::ProviderComponent:
      component->SetBinary(Op::GetBinaryIdentifier, BytesFor(k % 1024, 6));
      component->SetText(Op::GetProviderName, Numbered("provider", k % 8));
      break;
    default:
      break;
  }
  return component;
}

MemObject* Generator::NewRMTRow(long iRow, int iIndex, MemObject* iNonM1, MemObject* const* iParts,
                                MemObject* iM1a, MemObject* iM1b) {
  MemObject* row = Create(Type::RMTRow);
  row->SetUuid(Op::GetUuid, UuidFor(serial_++));
  if (iIndex % 2 == 0)
    row->SetList(Op::GetM1Components, {iM1a});
  else
    row->SetList(Op::GetM1Components, {iM1a, iM1b});
  row->SetObject(Op::GetNonM1Component, iNonM1);
  row->SetBool(Op::GetMigrationState, (iRow + iIndex) % 2 == 0);
  row->SetObject(Op::GetOwner, iParts[0]);
  row->SetObject(Op::GetRef, iParts[1]);
  row->SetObject(Op::GetPointed, iParts[2]);
  row->SetBool(Op::GetAlreadyExists, iIndex % 3 != 0);
  row->SetInt(Op::GetModificationState, static_cast<int>((iRow + iIndex) % 4));
  return row;
}

MemObject* Generator::NewDMTRow(long iRow, MemObject* iNonM1, MemObject* iM1,
                                const std::vector<MemObject*>& iRmtRows) {
  MemObject* row = Create(Type::DMTRow);
  row->SetUuid(Op::GetUuid, UuidFor(serial_++));
  row->SetInt(Op::GetMappingMaster, static_cast<int>(iRow % 3));
  row->SetObject(Op::GetM1Component, iM1);
  row->SetObject(Op::GetNonM1Component, iNonM1);
  row->SetList(Op::GetRMTElements, iRmtRows);
  row->SetBool(Op::GetAlreadyExists, iRow % 2 == 1);
  row->SetInt(Op::GetModificationState, static_cast<int>(iRow % 4));
  row->SetBinary(Op::GetM1ComponentVersion, BytesFor(iRow % 256, 2));
  if (iRow % 3 == 0)
    row->SetResult(Op::GetM1ComponentMajorID, S_FALSE);  // no major id
  else
    row->SetBinary(Op::GetM1ComponentMajorID, BytesFor(iRow % 128, 3));
  if (iRow % 10 == 7)
    row->SetHollowBinary(Op::GetNonM1ComponentVersion, 8);
  else
    row->SetBinary(Op::GetNonM1ComponentVersion, BytesFor(iRow % 256, 2));
  return row;
}

bool Generator::Run(long iRows, int iRmtPerRow, LoadedTable* oTable) {
  MemObject* manager = Create(Type::Manager);
  MemObject* context = Create(Type::Context);
  MemObject* environment = Create(Type::Environment);
  context->SetText(Op::GetName, "GeneratedContext");
  environment->SetText(Op::GetName, "GeneratedEnvironment");
  environment->SetInt(Op::GetMappingClient, ZynDCIMpgClientOrv);
  environment->SetInt(Op::GetMappingMaster, ZynDCIMpgMasterM1);
  environment->SetText(Op::GetDirectory, "/data/mapping");

  std::vector<MemObject*> rows, toBeSaved, rmtRows;
  rows.reserve(static_cast<std::size_t>(iRows));
  toBeSaved.reserve(static_cast<std::size_t>(iRows / 4 + 1));
  for (long i = 0; i < iRows; ++i) {
    MemObject* nonM1 = NewComponent(i);
    MemObject* m1 = NewComponent(i);
    rmtRows.clear();
    if (iRmtPerRow > 0) {
      // The RMT rows of one DMT row share their components.
      MemObject* parts[3] = {NewComponent(i), NewComponent(i), NewComponent(i)};
      MemObject* m1a = NewComponent(i);
      MemObject* m1b = NewComponent(i);
      for (int j = 0; j < iRmtPerRow; ++j)
        rmtRows.push_back(NewRMTRow(i, j, nonM1, parts, m1a, m1b));
    }
    rows.push_back(NewDMTRow(i, nonM1, m1, rmtRows));
    if (i % 4 == 1) toBeSaved.push_back(rows.back());
  }

  manager->SetObject(Op::GetContext, context);
  manager->SetBool(Op::IsPLMIDCompletionActive, true);
  manager->SetList(Op::GetDMTElements, rows);
  manager->SetList(Op::GetDMTElementsToBeSaved, toBeSaved);

  oTable->objects = {{"manager", manager}, {"context", context}, {"environment", environment}};
  for (MemObject* object : made_) adjust_(*object);
  return true;
}

}  // namespace

bool GenerateTable(long iRows, int iRmtPerRow, LoadedTable* oTable, std::string* oError,
                   const GeneratedObjectAdjuster& iAdjust) {
  auto fail = [&](const char* iWhy) {
    if (oError) *oError = iWhy;
    return false;
  };
  if (iRows < 0 || iRows > INT_MAX) return fail("the number of rows must be from 0 to 2147483647");
  if (iRmtPerRow < 0 || iRmtPerRow > kMaxRmtPerRow)
    return fail("the number of RMT rows per row must be from 0 to 1000");
  if (!oTable) return fail("no table to fill");
  try {
    LoadedTable generated;
    generated.table = std::make_unique<Table>();
    Generator generator(*generated.table, iAdjust);
    generator.Run(iRows, iRmtPerRow, &generated);
    *oTable = std::move(generated);
    return true;
  } catch (const std::bad_alloc&) {
    return fail("out of memory while generating the table");
  }
}

}  // namespace zyn::mem
