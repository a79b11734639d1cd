// ordavix-run: the stand-in engine's command line.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

#include "model_printer.h"
#include "orda_definitions.h"
#include "ordavix_host.h"
#include "package.h"

int main(int argc, char** argv)
{
    CLI::App app{"Stand-in host engine for Ordavix packages"};
    app.require_subcommand(1);
    std::string packagePath = ordavix_host::DefaultPackagePath();
    app.add_option("--package", packagePath, "Package to load")->capture_default_str();

    CLI::App* list = app.add_subcommand("list", "List the package's component models with their versions");
    CLI::App* inspect = app.add_subcommand("inspect", "Show a model's static input, output, property and action tables");
    std::string modelName;
    inspect->add_option("MODEL", modelName, "Model name, e.g. VtEthMonitoring")->required();

    CLI11_PARSE(app, argc, argv);

    try {
        ordavix_host::Engine engine;
        ordavix_host::Package package(packagePath, &engine);
        const auto models = package.ComponentModels();
        if (*list) {
            for (const ORDAComponentDefinition* m : models) ordavix_host::PrintModelLine(std::cout, *m);
        } else if (*inspect) {
            const ORDAComponentDefinition* m = package.FindModel(modelName);
            if (!m) {
                std::cerr << "ordavix-run: no model named " << modelName << " in " << packagePath
                          << "; models are:";
                for (const ORDAComponentDefinition* d : models) std::cerr << " " << d->name;
                std::cerr << "\n";
                return 1;
            }
            ordavix_host::PrintModelTables(std::cout, *m);
        }
    } catch (const ordavix_host::PackageError& e) {
        std::cerr << "ordavix-run: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
