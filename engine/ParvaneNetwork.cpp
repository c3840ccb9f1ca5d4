#include "ParvaneNetwork.h"

TParvaneNetwork::TParvaneNetwork(QObject* parent) : QObject(parent) {}

TParvaneNetwork::~TParvaneNetwork() = default;
