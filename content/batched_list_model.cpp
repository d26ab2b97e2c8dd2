#include "batched_list_model.h"
