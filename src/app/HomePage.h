#pragma once

#include <QString>
#include <QUrl>

// The one-in-a-hundred draw and the browser behind MaybeOpenHomePage. The
// program uses DesktopHomePage; tests replace it so that no browser ever opens.
class HomePage
{
public:
    static const QUrl Address; // https://www.harrowick.example/

    virtual ~HomePage() = default;
    // A whole number from 1 to 100.
    virtual int draw() = 0;
    // Asks the desktop to open the address; does not wait for the browser.
    virtual void open(const QUrl& address) = 0;
};

class DesktopHomePage : public HomePage
{
public:
    // Seeded from the seconds since midnight: Int(random in [0, 1) * 100) + 1.
    int draw() override;
    void open(const QUrl& address) override;

    // The draw for a given seed, so that its range and spread can be checked.
    static int drawWithSeed(quint32 seed);
};
