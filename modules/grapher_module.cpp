#include "modules/grapher_module.h"

#include <cmath>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "logic/logic_tree.h"
#include "modules/grapher_dialog.h"
#include "modules/grapher_export.h"

namespace {

bool ChannelUses(const GRAPHER_CHANNEL& c, const ACTIVE_SYMBOL* symbol) {
  return c.Symbol && symbol != nullptr && LOGIC_SymbolIdMatches(*c.Symbol.get(), *symbol);
}

QColor Colour(uint32_t rgba) { return QColor::fromRgba(rgba); }

}  // namespace

GraphContainer::GraphContainer(QWidget* parent) : QWidget(parent) {
  plot_ = new GraphWidget(this);
  auto* overlay = new QWidget(this);
  auto* row = new QHBoxLayout(overlay);
  row->setContentsMargins(0, 0, 0, 0);
  auto_scroll_ = new QCheckBox(QStringLiteral("AutoScroll"), overlay);
  auto_scroll_->setChecked(true);
  cursor_label_ = new QLabel(QStringLiteral("Cursor"), overlay);
  cursor_label_->setFrameShape(QFrame::StyledPanel);
  info_label_ = new QLabel(overlay);
  info_label_->setObjectName(QStringLiteral("InfoWidget"));
  info_label_->setTextFormat(Qt::RichText);
  info_label_->setFrameShape(QFrame::StyledPanel);
  row->addWidget(auto_scroll_);
  row->addWidget(cursor_label_);
  row->addWidget(info_label_);
  row->addStretch(1);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(plot_, 0, 0);
  grid->addWidget(overlay, 0, 0, Qt::AlignTop | Qt::AlignLeft);
  connect(auto_scroll_, &QCheckBox::toggled, plot_, &GraphWidget::SetAutoScroll);
}

GrapherModule::GrapherModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {
  container_ = new GraphContainer(this);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(container_, 0, 0);
  GraphWidget* plot = container_->Plot();
  connect(plot, &GraphWidget::_SignalChannelsChanged, this, &GrapherModule::TakeChannelsFromPlot);
  connect(plot, &GraphWidget::_SignalExportRequested, this, &GrapherModule::Export);
  // The time base is the project's: a grapher opens with the saved one, and a zoom is what
  // the next save keeps.
  plot->SetView(APP_GetTimeResolutionUs(), 0.0);
  connect(plot, &GraphWidget::_SignalTimeBaseChanged, this,
          [](double resolution) { APP_SetTimeResolutionUs(int32_t(std::lround(resolution))); });
  SyncPlot();
}

ToolModuleDialog* GrapherModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new GrapherDialog(this, initial, parent);
}

void GrapherModule::SyncPlot() {
  GraphWidget* plot = container_->Plot();
  plot->SetColours({Colour(part_.BackgroundRGBA), Colour(part_.GridRGBA), Colour(part_.AxisRGBA),
                    Colour(part_.CursorRGBA)});
  std::vector<GRAPHER_CHANNEL_STATE> states;
  for (const GRAPHER_CHANNEL& c : part_.Channels) {
    GRAPHER_CHANNEL_STATE s;
    if (c.Symbol) s.id = *c.Symbol.get();
    s.name = c.Symbol ? QString::fromUtf8(c.Symbol->Name) : QString();
    s.colour = Colour(c.ColorRGBA);
    s.draw_style = c.DrawStyle;
    s.y_offset = c.YOffset;
    s.y_resolution = c.YResolution;
    s.manual_y_resolution = c.ManualYResMode != 0;
    states.push_back(s);
  }
  plot->SetChannels(std::move(states));
  container_->InfoLabel()->setText(plot->InfoText());
}

void GrapherModule::TakeChannelsFromPlot() {
  const std::vector<GRAPHER_CHANNEL_STATE>& states = container_->Plot()->Channels();
  for (size_t i = 0; i < part_.Channels.size() && i < states.size(); ++i) {
    part_.Channels[i].YOffset = states[i].y_offset;
    part_.Channels[i].YResolution = states[i].y_resolution;
  }
}

void GrapherModule::PartChanged() {
  SyncPlot();
  update();
}

bool GrapherModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const { return UsesSymbol(symbol); }

bool GrapherModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const {
  for (const GRAPHER_CHANNEL& c : part_.Channels) {
    if (ChannelUses(c, symbol)) return true;
  }
  return false;
}

void GrapherModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  // The following channels move up one slot.
  std::erase_if(part_.Channels, [symbol](const GRAPHER_CHANNEL& c) { return ChannelUses(c, symbol); });
  container_->Plot()->ResetView();
  PartChanged();
}

bool GrapherModule::CanAddSymbol() const { return part_.Channels.size() < MODULE_MAX_GRAPHER_CHANNELS; }

bool GrapherModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr || !CanAddSymbol()) return false;
  GRAPHER_CHANNEL channel = MODULE_NewGrapherChannel(static_cast<uint32_t>(part_.Channels.size()));
  channel.Symbol = SymbolIdPtr(LOGIC_NewSymbolId(*symbol));
  if (!channel.Symbol) return false;  // "Insufficient memory!" was shown
  part_.Channels.push_back(std::move(channel));
  PartChanged();
  return true;
}

void GrapherModule::FitContents() { container_->Plot()->SetPxPerDiv(64); }

QString GrapherModule::GetInfoText() const {
  QString text;
  for (size_t i = 0; i < part_.Channels.size(); ++i) {
    const GRAPHER_CHANNEL& c = part_.Channels[i];
    text += QStringLiteral("Channel %1: %2\n").arg(i + 1).arg(c.Symbol ? QString::fromUtf8(c.Symbol->Name) : QString());
  }
  return text;
}

void GrapherModule::EnterEditMode() {
  container_->Plot()->SetRunMode(false);
  container_->CursorLabel()->setText(QStringLiteral("Cursor"));
}

void GrapherModule::EnterRunMode() {
  SyncPlot();  // the symbols sampled now
  container_->Plot()->SetRunMode(true);
}

void GrapherModule::EnterPreviewMode() { container_->Plot()->SetRunMode(false); }

void GrapherModule::RunUpdate() {
  GraphWidget* plot = container_->Plot();
  plot->ResolveSymbols();
  // A channel whose symbol is not sampled (gone from the list, or not read) starts the view
  // over.
  for (const GRAPHER_CHANNEL_STATE& s : plot->Channels()) {
    if (s.symbol == nullptr || (s.symbol->Read == 0 && s.symbol->Virtual == 0)) {
      plot->ResetView();
      break;
    }
  }
  container_->CursorLabel()->setText(plot->CursorLabelText());
  container_->InfoLabel()->setText(plot->InfoText());
  plot->RequestRepaint();
}

QString GrapherModule::GetFrameStyleSheet() const {
  const uint32_t c = part_.BackgroundRGBA;
  return QStringLiteral("QWidget{ background-color: rgba( %1,  %2,  %3,  %4); }")
             .arg(MODULE_Red(c))
             .arg(MODULE_Green(c))
             .arg(MODULE_Blue(c))
             .arg(MODULE_Alpha(c)) +
         QStringLiteral("GraphContainer QWidget   { border: none; background-color: transparent; }"
                        "GraphContainer QCheckBox { background-color: rgba(196, 196, 196, 196); margin: 3px; padding: 3px; }"
                        "GraphContainer QFrame    { background-color: rgba(196, 196, 196, 196); margin: 3px; padding: 3px; }");
}

void GrapherModule::Export(bool whole_history) {
  GraphWidget* plot = container_->Plot();
  plot->ResolveSymbols();
  uint32_t first = 0, count = APP_HISTORY_SLOTS;
  if (!whole_history) {
    const auto [begin, end] = plot->VisiblePositions();
    first = begin;
    count = end - begin;
  }
  GRAPHER_ExportCsvInteractive(this, plot->Channels(), first, count);
}
