// Binds the data container's reference and translation hooks to the POS's
// parameter service ("*_RefName#", "*_RefProp#", "*Translate").
#pragma once

void BindPosDataHooks();
