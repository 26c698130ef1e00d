#pragma once

#include "json/json_array.h"
#include "json/json_ref.h"
#include "json/json_value.h"
#include "json/member_table.h"
#include "json/number_text.h"
#include "json/parser.h"
#include "json/types.h"
