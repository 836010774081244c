#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace spoolar {

// The 94 barcode kinds a job can ask for, by index: display name, its key and the symbology of
// the barcode library that draws it.
struct BarcodeKind
{
    const char* name; // display name, Windows-1252
    int symbology;    // zint's BARCODE_ number
};

constexpr int kBarcodeKindCount = 94;
constexpr int kQrCodeKind = 37;

const BarcodeKind& barcodeKind(int index);

// The key of a kind: its display name in upper case with every blank removed.
std::string barcodeKindKey(int index);

// Kinds whose first rendering is corrected to the requested height.
bool isHeightCorrectedKind(int index);

// Finds kinds by key, remembering the last key found. Kept for the life of the program and
// shared by all jobs; a failed search forgets the remembered key. An empty cache matches no key,
// so an empty kind name is not found.
class BarcodeKindCache
{
public:
    std::optional<int> find(std::string_view requestedKey);

private:
    std::string m_key;
    int m_index = -1;
};

} // namespace spoolar
