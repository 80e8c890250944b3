#pragma once
// The generated protocol headers. wlr-layer-shell names an argument
// `namespace`, which C++ reserves: it is renamed while the header is read.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "xdg-output-unstable-v1-client-protocol.h"
#include "wlr-output-power-management-unstable-v1-client-protocol.h"
