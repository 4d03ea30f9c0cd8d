#pragma once

#include "common/numbers.h"

#include <QString>

namespace tavrelis {

// Whole roubles of the amount in words, capitalised, ending in one blank: "Две тысячи ".
// Zero is "Hоль " (with a Latin H, as the printed forms always had it). A whole part of
// 10^12 or more (or NaN, infinity) shows the error box of Module2 and gives empty text.
QString d_sumpro(double amount);

// The amount in words with roubles and kopecks, as the payment order prints it:
// "Двадцать один рубль 05 копеек".
QString sum_rub_kop(double amount);

// The same words for an amount read into kopecks: the kopeck part is the kopecks themselves,
// also past the range of the words, where only the rouble word and the kopecks remain.
QString sum_rub_kop(Kopecks amount);

} // namespace tavrelis
