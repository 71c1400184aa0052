#pragma once

namespace tarvo {

// The controller's document: it holds, loads and saves nothing. The door station's state lives
// in the view for as long as the program runs.
class CTarvoDoc {};

}  // namespace tarvo
