// Any file handed to "导入…": decoding and parsing never crash, and every
// record's line number lies within the text and grows from record to record.

#include "db/CsvReader.h"

#include <cstdint>
#include <cstdlib>

using namespace qalor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<CsvReader::Record> records = CsvReader::parseBytes(bytes);
    int previous = 0;
    for (const CsvReader::Record& record : records) {
        if (record.line < 1 || record.line < previous || record.line > int(size) + 1)
            std::abort();
        previous = record.line;
    }
    return 0;
}
