#include "CardReaderSession.h"

namespace tarvo {

int CardReaderSession::ReadDni(std::string& cardBytes) {
    CardData data;
    const int result = m_reader.ReadDni(data);
    if (result == 1 && !data.Empty()) {
        cardBytes.assign(reinterpret_cast<const char*>(data.Bytes()), data.Length());
    }
    return result;
}

}  // namespace tarvo
