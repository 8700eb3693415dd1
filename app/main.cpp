#include "app/Host.h"
#include "app/SafeInput.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
  try {
    return tank::app::RunHost(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "tankdesign: error: " << tank::app::PrintableMessage(e.what()) << "\n";
  } catch (...) {
    std::cerr << "tankdesign: unexpected error\n";
  }
  return 1;
}
