#include <atomic>

#include "localization/message_formatter.h"

namespace localization {

namespace {
std::atomic<uint16_t> product_language_id{0};
}

void set_product_language_id(uint16_t id) { product_language_id.store(id); }

uint16_t get_product_language_id() { return product_language_id.load(); }

}  // namespace localization
