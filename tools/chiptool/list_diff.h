#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "record.h"

// How two lists differ device by device. A device is known by its duplicate key (name and
// signature), so a record that only moved is no difference, and one whose FID, ROM or voltage
// changed is "changed" rather than removed and added. Padding bytes and name bytes after the NUL
// play no part: they are not the device.
//
// A key held several times is paired in order of occurrence: the k-th record of that key in the
// old list goes with the k-th one in the new list; the extra ones are removed or added.

struct ListDifference {
    enum class Kind { Added, Removed, Changed };
    Kind kind;
    std::size_t oldRow;  // Removed, Changed
    std::size_t newRow;  // Added, Changed
};

// Added and changed devices in the new list's order, then removed ones in the old list's order.
// O(n log n): both lists sorted by key, no search per record.
std::vector<ListDifference> DiffLists(const DeviceList& oldList, const DeviceList& newList);

// The fields that differ between two records of the same device, titled as the `show` columns,
// values exact (the voltage column rounds to 0.01 V, a change may hide below that):
// "FID 06 -> 07, 编程电压 3.3V -> 5V". Empty when they are the same device unchanged.
std::string ChangedFieldsText(const DeviceRecord& oldRec, const DeviceRecord& newRec);
