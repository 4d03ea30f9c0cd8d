#pragma once

namespace tavrelis {

// "Выполнить" in the formed-orders window: one run over the ticked orders, of the kind the
// check boxes choose (Напечатать: a print run; else Выгрузить в XML: an export run; else
// Провести уплаты в карточку: a posting run; none of them: nothing), then the list rebuilt,
// the export question (which opens the export folder on "Да") and the posting summary.
void Command10_Click();

} // namespace tavrelis
