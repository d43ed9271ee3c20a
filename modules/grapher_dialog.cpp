#include "modules/grapher_dialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "logic/logic_tree.h"
#include "platform/sys_msgbox.h"
#include "symbols/active_symbol.h"

namespace {

void ShowColour(QPushButton* button, uint32_t rgba) {
  button->setStyleSheet(QStringLiteral("background-color: %1").arg(QColor::fromRgba(rgba).name(QColor::HexArgb)));
}

// Lets the user pick a colour for `button`; true when it changed.
bool PickColour(QWidget* parent, QPushButton* button, uint32_t& rgba) {
  const QColor chosen = QColorDialog::getColor(QColor::fromRgba(rgba), parent, button->text(),
                                               QColorDialog::ShowAlphaChannel);
  if (!chosen.isValid() || chosen.rgba() == rgba) return false;
  rgba = chosen.rgba();
  ShowColour(button, rgba);
  return true;
}

std::vector<ACTIVE_SYMBOL*> ActiveSymbols() {
  std::vector<ACTIVE_SYMBOL*> list;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr) list.push_back(c->pSymbol);
  }
  return list;
}

}  // namespace

GrapherDialog::GrapherDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  channels_box_ = new QGroupBox(this);
  auto* channels = new QVBoxLayout(channels_box_);
  rows_layout_ = new QVBoxLayout;
  channels->addLayout(rows_layout_);
  add_ = new QPushButton(QStringLiteral("+"), channels_box_);
  channels->addWidget(add_, 0, Qt::AlignLeft);
  TypeLayout()->addWidget(channels_box_);

  auto* colours_box = new QGroupBox(QStringLiteral("Colors"), this);
  auto* colours = new QHBoxLayout(colours_box);
  const char* names[] = {"Background", "Grid", "Axis", "Cursor"};
  for (size_t i = 0; i < colour_buttons_.size(); ++i) {
    colour_buttons_[i] = new QPushButton(QString::fromLatin1(names[i]), colours_box);
    colours->addWidget(colour_buttons_[i]);
    connect(colour_buttons_[i], &QPushButton::clicked, this, [this, i] {
      if (PickColour(this, colour_buttons_[i], colours_[i])) SettingsEdited();
    });
  }
  TypeLayout()->addWidget(colours_box);

  if (const auto* p = initial.As<GRAPHER_SETTINGS>()) {
    colours_ = {p->BackgroundRGBA, p->GridRGBA, p->AxisRGBA, p->CursorRGBA};
    for (const GRAPHER_CHANNEL& c : p->Channels) AddRow(c);
  }
  for (size_t i = 0; i < colour_buttons_.size(); ++i) ShowColour(colour_buttons_[i], colours_[i]);
  connect(add_, &QPushButton::clicked, this, &GrapherDialog::AddChannel);
  RefreshTitle();
}

QString GrapherDialog::ChannelsTitle() const { return channels_box_->title(); }

void GrapherDialog::RefreshTitle() {
  channels_box_->setTitle(QStringLiteral("%1 / %2 Symbol Connections").arg(rows_.size()).arg(MODULE_MAX_GRAPHER_CHANNELS));
  add_->setEnabled(rows_.size() < MODULE_MAX_GRAPHER_CHANNELS);
}

void GrapherDialog::AddRow(GRAPHER_CHANNEL channel) {
  Row row;
  row.widget = new QWidget(channels_box_);
  auto* layout = new QHBoxLayout(row.widget);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(QStringLiteral("Symbol"), row.widget));
  row.symbol = new QComboBox(row.widget);
  // The active symbols; a channel whose symbol is not among them keeps it as the first entry.
  const std::vector<ACTIVE_SYMBOL*> active = ActiveSymbols();
  int current = -1;
  if (channel.Symbol && LOGIC_FindActiveSymbol(channel.Symbol.get()) == nullptr) {
    row.symbol->addItem(QString::fromUtf8(channel.Symbol->Name), QVariant());
    current = 0;
  }
  for (ACTIVE_SYMBOL* s : active) {
    row.symbol->addItem(QString::fromUtf8(s->Name), QVariant::fromValue(static_cast<void*>(s)));
    if (current < 0 && channel.Symbol && LOGIC_SymbolIdMatches(*channel.Symbol.get(), *s)) current = row.symbol->count() - 1;
  }
  row.symbol->setCurrentIndex(current);
  layout->addWidget(row.symbol, 1);
  row.colour = new QPushButton(QStringLiteral("Color"), row.widget);
  ShowColour(row.colour, channel.ColorRGBA);
  layout->addWidget(row.colour);
  row.remove = new QPushButton(QStringLiteral("-"), row.widget);
  layout->addWidget(row.remove);
  rows_layout_->addWidget(row.widget);
  row.channel = std::move(channel);
  QWidget* key = row.widget;
  rows_.push_back(std::move(row));

  auto find = [this, key]() -> Row* {
    for (Row& r : rows_) {
      if (r.widget == key) return &r;
    }
    return nullptr;
  };
  connect(rows_.back().symbol, &QComboBox::currentIndexChanged, this, [this, find] {
    Row* r = find();
    if (r == nullptr) return;
    auto* s = static_cast<ACTIVE_SYMBOL*>(r->symbol->currentData().value<void*>());
    if (s != nullptr) r->channel.Symbol = SymbolIdPtr(LOGIC_NewSymbolId(*s));
    SettingsEdited();
  });
  connect(rows_.back().colour, &QPushButton::clicked, this, [this, find] {
    Row* r = find();
    if (r != nullptr && PickColour(this, r->colour, r->channel.ColorRGBA)) SettingsEdited();
  });
  connect(rows_.back().remove, &QPushButton::clicked, this, [this, key] { RemoveRow(key); });
  RefreshTitle();
}

void GrapherDialog::RemoveRow(QWidget* row_widget) {
  for (auto it = rows_.begin(); it != rows_.end(); ++it) {
    if (it->widget != row_widget) continue;
    it->widget->deleteLater();
    rows_.erase(it);
    break;
  }
  RefreshTitle();
  SettingsEdited();
}

void GrapherDialog::AddChannel() {
  if (rows_.size() >= MODULE_MAX_GRAPHER_CHANNELS) return;
  for (ACTIVE_SYMBOL* s : ActiveSymbols()) {
    bool used = false;
    for (const Row& r : rows_) used = used || (r.channel.Symbol && LOGIC_SymbolIdMatches(*r.channel.Symbol.get(), *s));
    if (used) continue;
    GRAPHER_CHANNEL channel = MODULE_NewGrapherChannel(static_cast<uint32_t>(rows_.size()));
    channel.Symbol = SymbolIdPtr(LOGIC_NewSymbolId(*s));
    if (!channel.Symbol) return;
    AddRow(std::move(channel));
    SettingsEdited();
    return;
  }
  SYS_WarningBox("No Symbols to add available!");
}

bool GrapherDialog::Validate() {
  for (const Row& r : rows_) {
    const ACTIVE_SYMBOL* s = LOGIC_FindActiveSymbol(r.channel.Symbol.get());
    const uint32_t type = s != nullptr ? s->ValueType : TYPEID_UNSUPPORTED;
    if (type == TYPEID_UNSUPPORTED) {
      SYS_ErrorBox("Type of Symbol to connect with can not be determined!");
      return false;
    }
    if (type == 3 || type == 4 || type == TYPEID_U64 || type == TYPEID_I64) {
      SYS_ErrorBox("Type of Symbol to connect with is currently not supported!");
      return false;
    }
  }
  return true;
}

void GrapherDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<GRAPHER_SETTINGS>();
  if (p == nullptr) return;
  p->BackgroundRGBA = colours_[0];
  p->GridRGBA = colours_[1];
  p->AxisRGBA = colours_[2];
  p->CursorRGBA = colours_[3];
  p->Channels.clear();
  for (const Row& r : rows_) p->Channels.push_back(r.channel);
}
