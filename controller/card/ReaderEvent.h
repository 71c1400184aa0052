#pragma once

namespace tarvo {

// The result of one look at the reader. The cycle tests these exact numbers.
enum ReaderEvent : int {
    CardConnected = 111,  // a card is present and connected: context and card held
    NoCard = 11,          // the slot is empty: context held
    NotPresent = 12,      // no card present (also after a failed state query): context held
    ContextFailed = -1,   // no resource-manager context: nothing held
    NoReaderList = -2,    // no reader list (no reader attached, among others): nothing held
    ConnectFailed = -3,   // the connection to the card failed: nothing held
    CardRemoved = -6,     // the card went out before it could be connected: nothing held
};

}  // namespace tarvo
