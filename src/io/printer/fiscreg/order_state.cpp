#include "io/printer/fiscreg/order_state.h"

#include "io/printer/discounts/discount_infos.h"

// Out of line: the distribution object is complete only here.
tOrderPreparationState::tOrderPreparationState() = default;
tOrderPreparationState::~tOrderPreparationState() = default;
